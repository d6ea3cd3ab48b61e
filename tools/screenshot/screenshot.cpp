// Saves a picture of the main window of one program, as it looks when created,
// with its program lists showing a few sample files. Used for the pictures under
// docs/; run it under a display server (take.sh uses Xvfb).
//
//   screenshot Sonvira|repetidores OUTPUT.png
#include "app/edition.h"
#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/wall_clock_timer.h"
#include "host/host.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// Stand-ins: a picture must not depend on the hour, open boxes or start programs.
class StillClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 3, 2), QTime(7, 30, 0)); }
};

class NoMessageBoxes final : public MessageBoxes
{
protected:
    void present(const QString &) override {}
};

class NoLauncher final : public Launcher
{
public:
    bool startDetached(const QString &, const QStringList &, QString *error) override
    {
        if (error)
            *error = QStringLiteral("not in a screenshot");
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3 ||
        (args[1] != QLatin1String("Sonvira") && args[1] != QLatin1String("repetidores"))) {
        std::fprintf(stderr, "usage: screenshot Sonvira|repetidores OUTPUT.png\n");
        return 2;
    }
    const Edition edition =
        args[1] == QLatin1String("Sonvira") ? Edition::Sonvira : Edition::Repetidores;

    QTemporaryDir home;
    QTemporaryDir programs;
    for (const char *name :
         {"timbres_1.txt", "timbres_2.txt", "timbre_verano.txt", "timbre_navidad.txt"}) {
        QFile file(programs.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write("1,08:00:00\r\n");
    }

    StillClock clock;
    NoMessageBoxes messages;
    NoLauncher launcher;
    NoOperationsLog log;
    SystemClockSync clockSync;
    Host host{clock, messages, launcher, Places(home.path(), home.path()), log, clockSync};
    Form1 form(edition, host);
    form.Timer1->stop();
    form.File1->setPath(programs.path());
    form.File2->setFileName(programs.filePath(QStringLiteral("timbres_1.txt")));
    form.show();

    int status = 1;
    QTimer::singleShot(700, &app, [&] {
        status = form.grab().save(args[2]) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return status;
}
