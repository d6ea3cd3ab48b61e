#pragma once

#include <QString>
#include <QStringList>

// Starts another program without waiting for it and without keeping a handle.
class Launcher
{
public:
    virtual ~Launcher() = default;
    // Each argument reaches the program as one argument; no shell is involved.
    // On failure returns false and puts the platform's description in *error.
    virtual bool startDetached(const QString &program, const QStringList &arguments,
                               QString *error) = 0;
};

class ProcessLauncher final : public Launcher
{
public:
    bool startDetached(const QString &program, const QStringList &arguments,
                       QString *error) override;
};
