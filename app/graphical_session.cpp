#include "app/graphical_session.h"

#include <QList>
#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

QString noGraphicalSession(Edition edition)
{
    const QString name = programName(edition);
    const QString instead = edition == Edition::Sonvira
                                ? QStringLiteral(" o la opción --servicio, que funciona sin "
                                                 "pantalla.")
                                : QStringLiteral("; no funciona como servicio: sin pantalla, use "
                                                 "«Sonvira --servicio».");
    return QStringLiteral("%1: no hay pantalla donde abrir la ventana. %1 necesita una sesión "
                          "gráfica (DISPLAY o WAYLAND_DISPLAY)%2")
        .arg(name, instead);
}

struct Held
{
    Edition edition = Edition::Sonvira;
    QtMessageHandler previous = nullptr;
    QList<std::pair<QtMsgType, QString>> messages;
};
Held *held = nullptr;

void holdMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtFatalMsg) {
        held->messages += {type, text};
        return;
    }
    // Qt would abort once this returns: the sentence, Qt's own reasons under it.
    std::fprintf(stderr, "%s\n", qPrintable(noGraphicalSession(held->edition)));
    for (const auto &[heldType, heldText] : std::as_const(held->messages))
        std::fprintf(stderr, "  %s\n", qPrintable(heldText));
    std::fflush(stderr);
    std::_Exit(2);
}

} // namespace

bool displayToOpen(const QString &platformArgument)
{
    const QString platforms =
        platformArgument.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : platformArgument;
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platforms.isEmpty())
        return x11 || wayland;
    // A list to try in turn, each with its own parameters after a colon.
    for (const QString &platform : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = platform.section(QLatin1Char(':'), 0, 0);
        const bool needsX11 = name == QLatin1String("xcb");
        const bool needsWayland = name.startsWith(QLatin1String("wayland"));
        if ((!needsX11 || x11) && (!needsWayland || wayland))
            return true;
    }
    return false;
}

std::optional<int> refuseWithoutDisplay(Edition edition, const QString &platformArgument)
{
    if (displayToOpen(platformArgument))
        return std::nullopt;
    std::fprintf(stderr, "%s\n", qPrintable(noGraphicalSession(edition)));
    return 2;
}

GraphicalSessionGuard::GraphicalSessionGuard(Edition edition)
{
    held = new Held{edition, nullptr, {}};
    held->previous = qInstallMessageHandler(holdMessage);
}

GraphicalSessionGuard::~GraphicalSessionGuard()
{
    qInstallMessageHandler(held->previous);
    const QMessageLogContext context;
    if (held->previous)
        for (const auto &[type, text] : std::as_const(held->messages))
            held->previous(type, context, text);
    delete held;
    held = nullptr;
}
