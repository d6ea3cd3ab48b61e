#pragma once

#include "app/edition.h"

#include <QString>

#include <optional>

// Whether the window program has a display to open on, before Qt is asked: Qt's
// xcb platform needs DISPLAY, wayland needs WAYLAND_DISPLAY, and with no platform
// named (by -platform or QT_QPA_PLATFORM) either will do. Any other platform
// (offscreen, minimal, a frame buffer) is left to its plugin.
bool displayToOpen(const QString &platformArgument);

// Without a display to open: the sentence that says so, on standard error, and the
// exit status 2, instead of Qt's abort.
std::optional<int> refuseWithoutDisplay(Edition edition, const QString &platformArgument);

// Held while QApplication is made: a platform plugin that fails to connect ends
// the program as refuseWithoutDisplay() does, instead of aborting. Qt's messages
// meanwhile are held, and passed on once the application exists.
class GraphicalSessionGuard
{
public:
    explicit GraphicalSessionGuard(Edition edition);
    ~GraphicalSessionGuard();
    GraphicalSessionGuard(const GraphicalSessionGuard &) = delete;
    GraphicalSessionGuard &operator=(const GraphicalSessionGuard &) = delete;
};
