#include "host/clock.h"
#include "host/log_priority.h"
#include "host/operations_log.h"
#include "host/message_boxes.h"
#include "host/places.h"
#include "host/small_file.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A COMn entry of the data folder is the port, even a link to nothing (COM2) or a
// plain file (COM3); otherwise /dev/ttyS<n-1>, only named, never opened. Ports
// other than 1 to 4 have no device, whatever entry they have.
TEST(Places, FilesAndPortsFollowHomeAndTheExecutable)
{
    const QTemporaryDir root(QDir::tempPath() + u"/op erador ñ-XXXXXX"_s);
    const QByteArray home = qgetenv("HOME");
    ASSERT_TRUE(qputenv("HOME", QFile::encodeName(root.path())));
    const Places places = Places::system();
    qputenv("HOME", home);
    const QString data = root.path() + "/Quirzal"_L1;
    EXPECT_EQ(QStringList({places.dataFolder(), places.portSettingsFile(), places.defaultProgram(),
                           places.helpFile()}),
              QStringList({data, data + "/puertos.txt"_L1, data + "/timbres_1.txt"_L1,
                           QCoreApplication::applicationDirPath() + "/leeme.txt"_L1}));
    ASSERT_TRUE(QDir().mkdir(data) && QFile::link(data + "/x"_L1, data + "/COM2"_L1) &&
                QFile(data + "/COM3"_L1).open(QIODevice::WriteOnly) &&
                QFile::link(data, data + "/COM5"_L1));
    QStringList devices;
    for (int port = 0; port <= 5; ++port)
        devices << places.portDevice(port);
    EXPECT_EQ(devices.join(u'|'), u"|/dev/ttyS0|%1/COM2|%1/COM3|/dev/ttyS3|"_s.arg(data));
    EXPECT_EQ(Places({}, root.path()).portDevice(1), QString()) << "no home, not even the system's";
}

// The zone of a long time format must not reach the operator, wherever it stands,
// nor the brackets or blanks around it; quoted text stays.
TEST(RegionalTime, ShowsTheLocalesLongTimeWithoutZone)
{
    const std::pair<const char *, QString> rows[] = {
        {"en_US", u"7:05:09 AM"_s},     {"bg_BG", u"7:05:09 ч."_s},  {"yue_HK", u"上午7:05:09"_s},
        {"nds_DE", u"Klock 7.05:09"_s}, {"nus_SS", u"7:05:09 RW"_s}, {"eu_ES", u"07:05:09"_s}};
    for (const auto &[name, text] : rows)
        EXPECT_EQ(regionalTimeText(QTime(7, 5, 9), QLocale(QLatin1String(name))), text) << name;
}

// Whatever the name points at, a read neither blocks nor runs without end; each
// refusal says why and leaves no contents. A read after a larger one sees the new
// contents whole and no more. (A FIFO stands for every name that is not a regular
// file.)
TEST(SmallFile, ReadsOnlyASmallRegularFileWhole)
{
    constexpr std::int64_t limit = 1 << 20;
    using Beyond = SmallFileReader::Beyond;
    QTemporaryDir dir;
    const auto at = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
    QFile small(at("timbres_1.txt"));
    ASSERT_TRUE(small.open(QIODevice::WriteOnly) && small.write("1\0\0\r\n\xff", 6) == 6 &&
                small.flush());
    ASSERT_TRUE(QFile(at("f")).open(QIODevice::WriteOnly) && QFile::resize(at("f"), limit) &&
                QFile::copy(at("f"), at("grande")) && QFile::resize(at("grande"), limit + 1) &&
                QFile::copy(at("f"), at("cerrado")) && QFile::setPermissions(at("cerrado"), {}));
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo")).constData(), 0644), 0);
    const std::string zeros(limit, '\0');
    const std::tuple<QString, Beyond, const char *, std::string> rows[] = {
        {at("grande"), Beyond::ReadStart, "", zeros},
        {at("falta.txt"), Beyond::Refuse, "el archivo no existe", ""},
        {at("f") + QChar(0), Beyond::Refuse, "el archivo no existe", ""},
        {at("f/x"), Beyond::Refuse, "el archivo no existe", ""},
        {dir.path(), Beyond::Refuse, "es una carpeta, no un archivo", ""},
        {at("fifo"), Beyond::ReadStart, "no es un archivo de texto normal", ""},
        {at("cerrado"), Beyond::Refuse, "no hay permiso para leerlo", ""},
        {at("grande"), Beyond::Refuse, "es demasiado grande (más de 1 MB)", ""},
        {at("f"), Beyond::Refuse, "", zeros},
        {at("timbres_1.txt"), Beyond::Refuse, "", std::string("1\0\0\r\n\xff", 6)},
    };
    SmallFileReader reader;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ::setfsuid(65534); // root would read whatever the mode says
    ::alarm(5); // a read that blocks ends the test with the alarm signal instead of hanging it
    SmallFileReader watching; // the same answers when a file is read only if it changed
    for (const auto &[name, beyond, why, contents] : rows) {
        QString error;
        EXPECT_EQ(reader.read(name, limit, beyond, &error), *why == 0) << name.toStdString();
        EXPECT_EQ(error, QString::fromUtf8(why)) << name.toStdString();
        EXPECT_TRUE(reader.contents() == contents) << name.toStdString();
        for (int again = 0; again < 2; ++again) {
            bool fresh = false;
            EXPECT_EQ(watching.readIfChanged(name, limit, beyond, &error, &fresh), *why == 0);
            EXPECT_TRUE(error == QString::fromUtf8(why) && watching.contents() == contents)
                << name.toStdString() << again;
        }
    }
    ::alarm(0);
    ::setfsuid(::geteuid());
}

// A timer plays the operator: timers keep firing while the box waits. The program
// ends under an open box: it closes, and no other one opens.
TEST(ModalMessageBoxes, OneOkButtonNoIconTheProgramAsTitle)
{
    QString seen;
    QTimer::singleShot(10, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            seen = u"%1|%2|%3|%4"_s.arg(box->windowTitle(), box->text())
                       .arg(int(box->icon() == QMessageBox::NoIcon))
                       .arg(int(box->buttons() == QList{box->button(QMessageBox::Ok)}));
            box->accept();
        }
    });
    ModalMessageBoxes boxes(u"repetidores"_s);
    boxes.show(u"Puertos COM: cerrados OK"_s);
    EXPECT_EQ(seen, u"repetidores|Puertos COM: cerrados OK|1|1"_s);
    QTimer::singleShot(10, [&] { boxes.dismissAll(); });
    boxes.show(u"Recuerde"_s);
    QTimer::singleShot(10, [&] { seen = u"another box opened"_s; });
    boxes.show(u"Puerto COM 1: abierto OK"_s);
    EXPECT_FALSE(boxes.isOpen());
    EXPECT_EQ(seen, u"repetidores|Puertos COM: cerrados OK|1|1"_s);
}

} // namespace

// The journal's priority of each line the service echoes: what stops the bells is
// an error, what may make them wrong a warning, by word and by the clock's state.
TEST(LogPriority, ErrorsWarningsAndTheRest)
{
    const std::tuple<LogEvent, LogDetails, int> rows[] = {
        {LogEvent::AperturaFallida, {}, 3}, {LogEvent::Perdido, {}, 3},
        {LogEvent::ErrorEnvio, {}, 3},      {LogEvent::ProgramaIlegible, {}, 3},
        {LogEvent::Salto, {}, 4},           {LogEvent::Reloj, {{"sincronizado", "no"}}, 4},
        {LogEvent::Reloj, {{"sincronizado", "si"}}, 6},
        {LogEvent::Resumen, {{"reloj_sincronizado", "no"}}, 4},
        {LogEvent::Resumen, {{"reloj_sincronizado", "si"}}, 6},
        {LogEvent::Recuperado, {}, 6},      {LogEvent::Mensaje, {}, 6},
    };
    for (const auto &[event, details, priority] : rows)
        EXPECT_EQ(logPriority({QDateTime(), "Sonvira", event, details}), priority)
            << logEventWord(event);
}
