#pragma once

class QWidget;

// Asks the window manager to leave a top-level window out of the task bar. Call it
// while the window is about to be mapped (from its show event): the hint is read
// at mapping and dropped when the window is withdrawn. Only X11 has such a hint; on
// other platforms (offscreen for the service and the tests) it does nothing.
void keepOutOfTaskBar(QWidget *window);
