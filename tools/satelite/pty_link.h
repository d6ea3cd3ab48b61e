#pragma once

#include <QString>

// A pseudo-terminal whose slave is reached through a symbolic link, so that the
// program opens it by a port's name (~/Quirzal/COM1) as it would a real port.
// The link goes when this object does.
class PtyLink
{
public:
    PtyLink() = default;
    ~PtyLink();
    PtyLink(const PtyLink &) = delete;
    PtyLink &operator=(const PtyLink &) = delete;

    // Makes the pseudo-terminal and the link. A link left by an earlier run (to a
    // pseudo-terminal, or to nothing) is replaced; any other entry is the
    // operator's own and is left alone: the call fails with the reason in *error.
    bool create(const QString &linkPath, QString *error);

    int masterFd() const { return master_; }
    QString slavePath() const { return slavePath_; }
    QString linkPath() const { return linkPath_; }

private:
    void removeLink();

    int master_ = -1;
    int slave_ = -1; // held open, so the master never sees a hang-up between the program's opens
    QString slavePath_;
    QString linkPath_;
    bool linked_ = false;
};
