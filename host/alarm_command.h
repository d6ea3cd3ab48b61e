#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The administrator's command that raises an alarm (a mail, a relay, a trap): run
// with the arguments it is given, without a shell, never waited for. A command
// still running after the time allowed is killed. What went wrong with a run is
// told through trouble(), in Spanish, for the log.
class AlarmCommand : public QObject
{
    Q_OBJECT

public:
    static constexpr int allowedMs = 30000;

    explicit AlarmCommand(QString program, int allowedMs = AlarmCommand::allowedMs,
                          QObject *parent = nullptr);
    // A run still going when the program ends is killed with it.
    ~AlarmCommand() override;

    QString program() const { return program_; }
    void run(const QStringList &arguments);

signals:
    void trouble(const QString &text);

private:
    QString program_;
    int allowedMs_;
};
