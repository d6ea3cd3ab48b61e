#include "host/clock.h"
#include "host/message_boxes.h"
#include "host/places.h"
#include "pseudo_terminal.h"

#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// HOME, PATH and the working folder lead to a fresh folder while a test runs.
struct HostPlaces : ::testing::Test
{
    QTemporaryDir root{QDir::tempPath() + u"/op erador ñ-XXXXXX"_s};
    const QByteArray home = qgetenv("HOME"), path = qgetenv("PATH");
    const QString cwd = QDir::currentPath();
    const bool moved = qputenv("HOME", QFile::encodeName(root.path())) &&
                       qputenv("PATH", QFile::encodeName(root.path())) &&
                       QDir::setCurrent(root.path());
    void SetUp() override { ASSERT_TRUE(moved); }
    ~HostPlaces() override { qputenv("HOME", home), qputenv("PATH", path), QDir::setCurrent(cwd); }
};

// A COMn entry of the data folder is the port, even a link to nothing (COM2) or a
// plain file (COM3); otherwise /dev/ttyS<n-1>, only named, never opened. Ports
// other than 1 to 4 have no device, whatever entry they have.
TEST_F(HostPlaces, FilesAndPortsFollowHomeAndTheExecutable)
{
    const Places places = Places::system();
    const QString data = root.path() + "/Quirzal"_L1;
    EXPECT_EQ(QStringList({places.dataFolder(), places.portSettingsFile(), places.defaultProgram(),
                           places.helpFile()}),
              QStringList({data, data + "/puertos.txt"_L1, data + "/timbres_1.txt"_L1,
                           QCoreApplication::applicationDirPath() + "/leeme.txt"_L1}));
    EXPECT_EQ(places.portDevice(1), u"/dev/ttyS0"_s); // no data folder yet

    PseudoTerminal pty;
    const auto entry = [&](const char *com, const QString &to) {
        return to.isEmpty() ? QFile(data + com).open(QIODevice::WriteOnly)
                            : QFile::link(to, data + com);
    };
    ASSERT_TRUE(pty.isValid() && QDir().mkdir(data) && entry("/COM1", pty.slavePath()) &&
                entry("/COM2", data + "/x"_L1) && entry("/COM3", {}) && entry("/COM0", {}) &&
                entry("/COM5", pty.slavePath()));
    QStringList devices;
    for (int port = -1; port <= 5; ++port)
        devices << places.portDevice(port);
    EXPECT_EQ(devices.join(u'|'), u"||%1/COM1|%1/COM2|%1/COM3|/dev/ttyS3|"_s.arg(data));
}

// The list decides, not the order of the search path: gedit of the second folder
// before geany of the first. Never found: a gedit that is not executable or is a
// folder, in the first folder; the gedit of PATH and of the working folder, when a
// search path without folders is asked about.
TEST_F(HostPlaces, EditorIsTheFirstOfTheListInTheSearchPath)
{
    const QString first = root.path() + "/1/"_L1, second = root.path() + "/2/"_L1;
    const auto plant = [](const QString &path, bool runs = true) {
        QFile file(path);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly));
        file.setPermissions(runs ? QFile::ReadOwner | QFile::ExeOwner : QFile::ReadOwner);
    };
    plant(root.path() + "/gedit"_L1);
    plant(first + "gnome-text-editor"_L1, false);
    ASSERT_TRUE(QDir().mkpath(first + "gedit"_L1));
    EXPECT_EQ(Places::system().editorProgram(), root.path() + "/gedit"_L1);
    EXPECT_EQ(Places::editorProgram(u""_s) + Places::editorProgram(u"::"_s), QString());
    const QStringList expected = {second + "gedit"_L1, first + "geany"_L1, second + "geany"_L1};
    for (const QString &editor : expected)
        plant(editor);
    for (const QString &editor : expected) {
        EXPECT_EQ(Places::editorProgram(first + u':' + second), editor);
        QFile::remove(editor);
    }
    EXPECT_EQ(Places::editorProgram(first + u':' + second), QString());
}

// No HOME (unset or empty): the home folder comes from the user database, never the
// root of the file system. A host with no home folder at all has no data folder, no
// file in it and no port, not even the system's own.
TEST_F(HostPlaces, WithoutHomeTheUserDatabaseOrNothing)
{
    for (const char *home : {static_cast<const char *>(""), static_cast<const char *>(nullptr)}) {
        home ? qputenv("HOME", home) : qunsetenv("HOME");
        const QString data = Places::system().dataFolder();
        EXPECT_FALSE(data.isEmpty() || data == "/Quirzal"_L1) << data.toStdString();
        EXPECT_EQ(data, QDir::cleanPath(data));
    }
    const Places none({}, root.path());
    EXPECT_EQ(QStringList({none.dataFolder(), none.portSettingsFile(), none.defaultProgram(),
                           none.portDevice(1)})
                  .join(u'|'),
              u"|||"_s);
}

// The zone of a long time format must not reach the operator, nor the brackets or
// blanks around it; quoted text stays.
TEST(RegionalTime, ShowsTheLocalesLongTimeWithoutZone)
{
    const QTime time(7, 5, 9);
    for (const auto &[locale, text] : {std::pair{u"en_US"_s, u"7:05:09 AM"_s},
                                       {u"bg_BG"_s, u"7:05:09 ч."_s},
                                       {u"yue_HK"_s, u"上午7:05:09"_s}})
        EXPECT_EQ(regionalTimeText(time, QLocale(locale)), text);
    const QString zone = QLocale::c().toString(time, u"t"_s);
    for (const QLocale &locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                          QLocale::AnyTerritory)) {
        const QString text = regionalTimeText(time, locale);
        EXPECT_TRUE(!zone.isEmpty() && !text.contains(zone) && text == text.trimmed() &&
                    !text.contains(QRegularExpression(u"[(\\[]\\s*[)\\]]"_s)) &&
                    text.contains(locale.toString(5)))
            << locale.name().toStdString() << " " << text.toStdString();
    }
}

// A timer plays the operator: timers keep firing while the box waits.
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
    // The program ends under an open box: it closes, and no other one opens.
    QTimer::singleShot(10, [&] { boxes.dismissAll(); });
    boxes.show(u"Recuerde"_s);
    QTimer::singleShot(10, [&] { seen = u"another box opened"_s; });
    boxes.show(u"Puerto COM 1: abierto OK"_s);
    EXPECT_FALSE(boxes.isOpen());
    EXPECT_EQ(seen, u"repetidores|Puertos COM: cerrados OK|1|1"_s);
}

} // namespace
