#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair for serial tests: the program under test opens the slave
// by its path (usually through a COMn link), the test holds the master and sees
// the real bytes of the line. The master is raw, so bytes pass unchanged.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return master_ >= 0; }
    QString slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }

    // Reads what has arrived, waiting up to timeoutMs for the first byte and then
    // while more keeps coming within quietMs. Runs the Qt event loop meanwhile, so
    // that the program's own notifications are delivered.
    QByteArray read(int timeoutMs = 1000, int quietMs = 50);
    // Reads until at least count bytes arrived or timeoutMs passed.
    QByteArray readCount(int count, int timeoutMs = 2000);
    bool write(const QByteArray &bytes);
    // Closes the master: to the program, the device is gone.
    void closeMaster();
    // Closes the master as a USB adapter pulled out does, and lets the program see it.
    void pullOut();

private:
    int master_ = -1;
    int slaveKeep_ = -1; // held open so the slave survives between the program's opens
    QString slavePath_;
};
