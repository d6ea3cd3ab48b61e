#pragma once

#include <QString>
#include <QStringList>

struct SateliteOptions
{
    QString ptyLink; // --pty: make a pseudo-terminal and link it here
    QString device;  // --device: listen on this tty
    int baud = 300;  // --speed, for --device
    int presetSeconds = 5;
    bool text = false;
    bool stats = false; // --stats: line timing against the real-time clock
    bool help = false;
    bool version = false;
};

// Reads the command line (arguments[0] is the program). On a mistake returns
// false with the reason, in Spanish, in *error.
bool parseSateliteOptions(const QStringList &arguments, SateliteOptions *options, QString *error);

// The usage, in Spanish, from the options the parser knows.
QString sateliteUsage();
