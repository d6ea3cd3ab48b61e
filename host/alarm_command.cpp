#include "host/alarm_command.h"

#include <QProcess>
#include <QTimer>

#include <memory>

AlarmCommand::AlarmCommand(QString program, int allowedMs, QObject *parent)
    : QObject(parent), program_(std::move(program)), allowedMs_(allowedMs)
{}

AlarmCommand::~AlarmCommand()
{
    for (QProcess *process : findChildren<QProcess *>()) {
        process->disconnect();
        process->kill();
        process->waitForFinished(1000);
    }
}

void AlarmCommand::run(const QStringList &arguments)
{
    // Each run on its own: a command that hangs must not hold back the next alarm.
    auto *process = new QProcess(this);
    process->setProgram(program_);
    process->setArguments(arguments);
    // Its output is not ours to write: the service's standard error is the log.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setStandardInputFile(QProcess::nullDevice());
    auto *limit = new QTimer(process);
    limit->setSingleShot(true);
    const auto killed = std::make_shared<bool>(false);
    const QString word = arguments.value(0);

    connect(limit, &QTimer::timeout, process, [this, process, killed, word] {
        *killed = true;
        process->kill();
        emit trouble(QStringLiteral("La orden de alarma %1 (%2) no terminó en %3 s y se ha "
                                    "detenido.")
                         .arg(program_, word)
                         .arg(allowedMs_ / 1000));
    });
    connect(process, &QProcess::finished, process,
            [this, process, killed, word](int code, QProcess::ExitStatus status) {
                if (!*killed && (status != QProcess::NormalExit || code != 0))
                    emit trouble(QStringLiteral("La orden de alarma %1 (%2) terminó con error "
                                                "(código %3).")
                                     .arg(program_, word)
                                     .arg(status == QProcess::NormalExit ? code : -1));
                process->deleteLater();
            });
    connect(process, &QProcess::errorOccurred, process,
            [this, process, word](QProcess::ProcessError error) {
                if (error != QProcess::FailedToStart)
                    return;
                emit trouble(QStringLiteral("No se puede ejecutar la orden de alarma %1 (%2): %3.")
                                 .arg(program_, word, process->errorString()));
                process->deleteLater();
            });
    limit->start(allowedMs_);
    process->start();
}
