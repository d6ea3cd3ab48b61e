#pragma once

#include "app/clickable_label.h"
#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/wall_clock_timer.h"
#include "bells/frame.h"
#include "fake_host.h"
#include "pseudo_terminal.h"
#include "serial/mscomm.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <span>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// The window of one program with its serial component on a pseudo-terminal linked
// as COM2 in the test's own data folder, prepared as start-up leaves it. Ticks are
// delivered by hand, at the fake clock's time.
struct WindowOnLine
{
    explicit WindowOnLine(Edition edition) : form(edition, fake.host)
    {
        form.Timer1->stop();
        linkCom2(pty);
        form.MSComm1->setInputLen(0);
        form.MSComm1->setRThreshold(1);
        form.MSComm1->setSThreshold(1);
        for (QLineEdit *box : {form.Text1, form.Text2, form.Text3})
            box->setText(QStringLiteral("Sin puerto"));
    }

    QString com2() const { return fake.dataFolder() + QStringLiteral("/COM2"); }
    void linkCom2(const PseudoTerminal &terminal) const
    {
        QFile::remove(com2());
        EXPECT_TRUE(QFile::link(terminal.slavePath(), com2()));
    }
    // COM2 at 300 baud, shown in Etiq_Puerto as the opening shows it.
    void openPort()
    {
        form.Etiq_Puerto->setText(QStringLiteral("COM2"));
        ASSERT_TRUE(form.MSComm1->setCommPort(2) &&
                    form.MSComm1->setSettings(QStringLiteral(" 300,N,8,1")) &&
                    form.MSComm1->setPortOpen(true))
            << form.MSComm1->errorString().toStdString();
    }
    // Writes the bell program and makes it the one "Programa en uso" shows.
    QString useProgram(const QByteArray &text)
    {
        const QString path = fake.dataFolder() + QStringLiteral("/timbres_1.txt");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    file.write(text) == text.size());
        file.close();
        form.File2->setFileName(path);
        EXPECT_EQ(form.File2->fileName(), QStringLiteral("timbres_1.txt"));
        return path;
    }
    // One tick at that time of day ("HH:MM:SS.zzz").
    void tickOnly(const char *at)
    {
        fake.clock.setTime(QTime::fromString(QLatin1String(at), QStringLiteral("HH:mm:ss.zzz")));
        form.Timer1_Timer();
        sendingText = form.Texto_Mensajes->text();
    }
    // One tick; gives the frame that reached the line.
    QByteArray tick(const char *at, PseudoTerminal *line = nullptr, int timeoutMs = 2000)
    {
        tickOnly(at);
        return (line ? line : &pty)->readCount(7, timeoutMs);
    }
    // The words of channels 1 to 3 by initial: "PDC" is Preparado, Disparo, Cerrado.
    std::string words() const
    {
        std::string initials;
        for (const QLineEdit *box : {form.Text1, form.Text2, form.Text3})
            initials += box->text().isEmpty() ? '-' : box->text().front().toLatin1();
        return initials;
    }
    QString sendingWord() const
    {
        return form.edition() == Edition::Sonvira ? QStringLiteral("Enviando por COM2")
                                                  : QStringLiteral("Enviando...");
    }

    FakeHost fake;
    PseudoTerminal pty;
    Form1 form;
    QString sendingText; // Texto_Mensajes as the last tick left it
};

// A frame as a satellite reads it: "HH:MM:SS cc" with the command byte in hex.
inline std::string carried(const QByteArray &bytes)
{
    if (bytes.size() != 7)
        return std::to_string(bytes.size()) + " bytes: " + bytes.toHex(' ').toStdString();
    const auto decoded = decodeFrame(
        std::span<const std::uint8_t, 7>(reinterpret_cast<const std::uint8_t *>(bytes.data()), 7));
    if (!decoded)
        return "not a frame: " + bytes.toHex(' ').toStdString();
    return decoded->time + ' ' + bytes.right(1).toHex().toStdString();
}
