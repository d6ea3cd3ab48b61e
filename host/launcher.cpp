#include "host/launcher.h"

#include <QProcess>

bool ProcessLauncher::startDetached(const QString &program, const QStringList &arguments,
                                    QString *error)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached())
        return true;
    if (error)
        *error = process.errorString();
    return false;
}
