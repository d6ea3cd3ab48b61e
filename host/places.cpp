#include "host/places.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))
               ? folder + name
               : folder + QLatin1Char('/') + name;
}

} // namespace

Places::Places(QString homeFolder, QString programFolder, QString searchPath)
    : home_(std::move(homeFolder)), program_(std::move(programFolder)),
      searchPath_(std::move(searchPath))
{}

Places Places::system()
{
#ifdef Q_OS_WIN
    return Places(QStringLiteral("C:/"), QCoreApplication::applicationDirPath());
#else
    // Without HOME, Qt's home would be the root of the file system, and the data
    // folder /Quirzal; the user database knows the real one.
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        if (const passwd *user = ::getpwuid(::getuid()); user && user->pw_dir)
            home = QFile::decodeName(user->pw_dir);
    }
    return Places(home, QCoreApplication::applicationDirPath(), qEnvironmentVariable("PATH"));
#endif
}

QString Places::dataFolder() const
{
    if (!dataFolder_.isEmpty())
        return dataFolder_;
    return home_.isEmpty() ? QString() : joined(home_, QStringLiteral("Quirzal"));
}

QString Places::portSettingsFile() const
{
    const QString data = dataFolder();
    return data.isEmpty() ? QString() : joined(data, QStringLiteral("puertos.txt"));
}

QString Places::defaultProgram() const
{
    const QString data = dataFolder();
    return data.isEmpty() ? QString() : joined(data, QStringLiteral("timbres_1.txt"));
}

QString Places::helpFile() const
{
    // Joined with a plain separator even when the folder already ends in one, as
    // the program folder of a drive's root does; the doubled separator is harmless.
    return program_ + QLatin1Char('/') + QStringLiteral("leeme.txt");
}

QString Places::portDevice(int port) const
{
    // Without a data folder no COMn entry can be looked at, and the system's own
    // port may not be the one the operator pointed COMn at.
    if (port < 1 || port > 4 || dataFolder().isEmpty())
        return {};
    const QString name = QStringLiteral("COM%1").arg(port);
#ifdef Q_OS_WIN
    return name;
#else
    // A COMn entry in the data folder wins, even a dangling link: the operator
    // pointed the port there, and opening it must then fail rather than fall back.
    const QString link = joined(dataFolder(), name);
    if (QFileInfo(link).isSymLink() || QFileInfo::exists(link))
        return link;
    if (!namedPorts_[port - 1].isEmpty())
        return namedPorts_[port - 1];
    if (systemPorts_.isEmpty())
        return {};
    return systemPorts_ + QString::number(port - 1);
#endif
}

void Places::setNamedPort(int port, const QString &device)
{
    if (port >= 1 && port <= 4)
        namedPorts_[port - 1] = device;
}

QString Places::missingPortReason(int port) const
{
    if (!portDevice(port).isEmpty())
        return {};
    if (port >= 1 && port <= 4 && !dataFolder().isEmpty() && systemPorts_.isEmpty())
        return QStringLiteral(
                   "No hay ninguna entrada COM%1 en la carpeta de datos %2 ni un dispositivo "
                   "nombrado con --dispositivo COM%1=RUTA. El servicio nunca abre por sí mismo "
                   "un puerto del sistema, que puede ser la consola u otro aparato; el puerto se "
                   "abrirá en cuanto exista la entrada")
            .arg(port)
            .arg(dataFolder());
    return QStringLiteral("El puerto COM%1 no existe").arg(port);
}

QStringList Places::editorNames()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("notepad.exe")};
#else
    return {QStringLiteral("gnome-text-editor"),
            QStringLiteral("gedit"),
            QStringLiteral("kate"),
            QStringLiteral("kwrite"),
            QStringLiteral("mousepad"),
            QStringLiteral("xed"),
            QStringLiteral("pluma"),
            QStringLiteral("featherpad"),
            QStringLiteral("leafpad"),
            QStringLiteral("geany")};
#endif
}

QString Places::editorProgram(const QString &searchPath)
{
#ifdef Q_OS_WIN
    Q_UNUSED(searchPath);
    return QStringLiteral("C:\\Windows\\notepad.exe");
#else
    // An empty entry would mean the working folder: an editor planted there must
    // not be started. With no folder left, findExecutable() would fall back to the
    // process's own PATH, which is not the list asked about.
    const QStringList folders = searchPath.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (folders.isEmpty())
        return {};
    // The preference order of the editors wins over the order of the folders.
    for (const QString &editor : editorNames()) {
        const QString found = QStandardPaths::findExecutable(editor, folders);
        if (!found.isEmpty())
            return found;
    }
    return {};
#endif
}
