#pragma once

#include <QByteArrayView>

// Tells the service manager that started the program (systemd, through the socket
// in NOTIFY_SOCKET) how the service is: "READY=1", "STATUS=...", "WATCHDOG=1",
// several lines at once. Without that socket, or in a build without libsystemd,
// nothing happens. The datagram is sent as libsystemd sends it, which waits while
// the manager's queue is full: the manager reads it at once, and a manager that
// stops reading is one that has stopped the service as well.
void notifyServiceManager(QByteArrayView state);
