#include "tools/satelite/monitor_window.h"

#include "tools/satelite/event_text.h"
#include "tools/satelite/monitor_session.h"

#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTime>
#include <QVBoxLayout>

namespace {

const char *lampOn = "background:#f0a000; color:black; border-radius:8px; padding:10px; "
                     "font-size:16pt; font-weight:bold;";
const char *lampOff =
    "background:#505050; color:#c0c0c0; border-radius:8px; padding:10px; font-size:16pt;";

QString figure(const char *name, std::int64_t value)
{
    return QStringLiteral("<tr><td>%1</td><td align=right>&nbsp;&nbsp;%2</td></tr>")
        .arg(QString::fromUtf8(name))
        .arg(value);
}

} // namespace

MonitorWindow::MonitorWindow(const MonitorSession &session, const QString &where, QWidget *parent)
    : QWidget(parent), session_(session), clock_(new QLabel(QStringLiteral("--:--:--"))),
      signal_(new QLabel), figures_(new QLabel), log_(new QPlainTextEdit)
{
    setWindowTitle(QStringLiteral("Satélite virtual"));

    auto *place = new QLabel(QStringLiteral("Escuchando en %1").arg(where));
    place->setTextInteractionFlags(Qt::TextSelectableByMouse);

    QFont big = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    big.setPointSize(56);
    big.setBold(true);
    clock_->setFont(big);
    clock_->setAlignment(Qt::AlignCenter);
    signal_->setAlignment(Qt::AlignCenter);

    auto *lamps = new QHBoxLayout;
    for (int c = 0; c < 3; ++c) {
        lamps_[c] = new QLabel(QStringLiteral("Canal %1").arg(c + 1));
        lamps_[c]->setAlignment(Qt::AlignCenter);
        lamps_[c]->setMinimumHeight(64);
        lamps_[c]->setStyleSheet(QString::fromLatin1(lampOff));
        lamps->addWidget(lamps_[c]);
    }

    log_->setReadOnly(true);
    log_->setMaximumBlockCount(5000);
    log_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto *middle = new QHBoxLayout;
    figures_->setAlignment(Qt::AlignTop);
    middle->addWidget(figures_);
    middle->addWidget(log_, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(place);
    layout->addWidget(clock_);
    layout->addWidget(signal_);
    layout->addLayout(lamps);
    layout->addLayout(middle, 1);
    resize(820, 600);
    refresh();
}

void MonitorWindow::appendEvents(const std::vector<LineEvent> &events)
{
    const QString at = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    for (const LineEvent &event : events)
        log_->appendPlainText(at + QStringLiteral("  ") +
                              QString::fromStdString(describeEvent(event)));
}

void MonitorWindow::refresh()
{
    const LineMonitor &monitor = session_.monitor();
    const std::int64_t now = session_.nowMs();

    if (const auto time = monitor.clock(now))
        clock_->setText(QString::fromStdString(*time));
    const auto silence = monitor.silenceMs(now);
    const bool live = silence && *silence <= LineMonitor::gapMs;
    clock_->setStyleSheet(live ? QStringLiteral("color:black;") : QStringLiteral("color:gray;"));
    signal_->setText(!silence ? QStringLiteral("Esperando la primera trama")
                     : live   ? QStringLiteral("Recibiendo")
                              : QStringLiteral("Sin señal desde hace %1 s").arg(*silence / 1000));

    const auto ringing = monitor.ringing();
    for (int c = 0; c < 3; ++c)
        lamps_[c]->setStyleSheet(QString::fromLatin1(ringing[c] ? lampOn : lampOff));

    const LineFigures &f = monitor.figures();
    figures_->setText(
        QStringLiteral("<table>") + figure("Bytes recibidos", f.bytes) +
        figure("Tramas", f.frames) + figure("Tramas en este segundo", f.framesThisSecond) +
        figure("Cadenas de cierre", f.closings) + figure("Bytes de ruido", f.noiseBytes) +
        figure("Silencios de más de 1 s", f.gaps) +
        figure("Silencio más largo (ms)", f.longestGapMs) + figure("Saltos de hora", f.jumps) +
        figure("Segundos sin dos tramas", f.oddSeconds) +
        figure("Errores de paridad", f.parityErrors) +
        QStringLiteral("<tr><td>Última trama</td><td align=right>&nbsp;&nbsp;%1</td></tr>")
            .arg(QString::fromStdString(hexBytes(f.lastFrame))) +
        QStringLiteral("</table>"));
}
