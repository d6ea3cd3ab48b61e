#pragma once

#include "tools/satelite/line_event.h"

#include <QWidget>

#include <array>
#include <vector>

class MonitorSession;
class QLabel;
class QPlainTextEdit;

// What a satellite on the wall would show, and what a technician would want
// beside it: the satellite's clock, its three bell lamps, the line's figures and
// a log of everything decoded.
class MonitorWindow : public QWidget
{
    Q_OBJECT

public:
    MonitorWindow(const MonitorSession &session, const QString &where, QWidget *parent = nullptr);

    void appendEvents(const std::vector<LineEvent> &events);
    void refresh();

private:
    const MonitorSession &session_;
    QLabel *clock_;
    QLabel *signal_;
    std::array<QLabel *, 3> lamps_{};
    QLabel *figures_;
    QPlainTextEdit *log_;
};
