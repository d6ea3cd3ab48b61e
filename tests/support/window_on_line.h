#pragma once

#include "app/clickable_label.h"
#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/wall_clock_timer.h"
#include "bells/frame.h"
#include "fake_host.h"
#include "files.h"
#include "pseudo_terminal.h"
#include "serial/mscomm.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <memory>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// A frame as a satellite reads it: "HH:MM:SS cc", the command byte in hex.
inline std::string carried(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    const auto frame =
        bytes.size() == 7 ? decodeFrame(std::span<const std::uint8_t, 7>(data, 7)) : std::nullopt;
    return frame ? frame->time + ' ' + bytes.right(1).toHex().toStdString()
                 : "not a frame: " + bytes.toHex(' ').toStdString();
}

// A window of either program whose four ports are links in the test's own data
// folder: the port given leads to a pseudo-terminal, every other one to a path that
// does not exist, so no opening can reach a real serial port (on a test machine it
// may well be the console). Ticks come only when a test delivers them. The bell
// program of start-up is there, empty until a test writes it.
struct WindowOnLine
{
    explicit WindowOnLine(Edition edition, int ptyPort = 2) : form(new Form1(edition, fake.host))
    {
        for (int port = 1; port <= 4; ++port)
            link(port, port == ptyPort ? &pty : nullptr);
        put(fake.host.places.defaultProgram(), "");
        form->Timer1->stop();
    }

    // Points COMn at the terminal, or at a path that does not exist.
    void link(int port, const PseudoTerminal *to) const
    {
        const QString com = fake.dataFolder() + QStringLiteral("/COM%1").arg(port);
        QFile::remove(com);
        EXPECT_TRUE(QFile::link(to ? to->slavePath() : fake.home.filePath("none"), com));
        EXPECT_EQ(fake.host.places.portDevice(port), com);
    }
    QRadioButton *option(int n) const
    {
        return form->findChild<QRadioButton *>(QStringLiteral("Option%1").arg(n));
    }
    // Chooses COMn and opens it with "Abrir puerto"; what that told is dropped.
    void open(int port = 2)
    {
        option(10 + port)->setChecked(true);
        form->Boton_Abrir->click();
        ASSERT_TRUE(form->MSComm1->portOpen()) << told().join(u'|').toStdString();
        told().clear();
    }
    void start()
    {
        form->Form_Load();
        open();
    }

    // One tick at that time of day ("HH:mm:ss", milliseconds optional), else at the
    // clock's own.
    void tick(const char *at = nullptr)
    {
        if (at)
            fake.clock.setTime(QTime::fromString(QLatin1String(at), Qt::ISODateWithMs));
        emit form->Timer1->timeout();
        status = form->Texto_Mensajes->text();
    }
    // One tick; gives the frame that reached the line.
    std::string frame(const char *at = nullptr, PseudoTerminal *line = nullptr)
    {
        tick(at);
        return carried((line ? line : &pty)->readCount(7));
    }

    // The words of channels 1 to 3 by initial: "PDC" is Preparado, Disparo, Cerrado.
    QString words() const
    {
        QString initials;
        for (const Form1::Channel &channel : form->channels)
            initials += channel.state->text().left(1);
        return initials;
    }
    // The port labels, each colour after its caption.
    QString labels() const
    {
        return QStringList{form->Etiq_Puerto->text(), form->Etiq_Velocidad->text(),
                           Form1::foreColor(form->Etiq_Velocidad).name(), form->Etiq_Estado->text(),
                           Form1::foreColor(form->Etiq_Estado).name()}
            .join(u'|');
    }
    QStringList &told() { return fake.messages.texts; }
    // What was told, with the system's own description of a failure shortened to "…".
    QStringList toldShort() const
    {
        return QStringList(fake.messages.texts)
            .replaceInStrings(QRegularExpression(QStringLiteral("(detectado|detectó): .+")),
                              QStringLiteral("\\1: …"));
    }
    QString settingsFile() const { return fake.host.places.portSettingsFile(); }
    QByteArray settings() const
    {
        QFile file(settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    static bool put(const QString &path, const QByteArray &bytes) { return writeFile(path, bytes); }

    FakeHost fake;
    PseudoTerminal pty;
    std::unique_ptr<Form1> form;
    QString status; // Texto_Mensajes as the last tick left it
};
