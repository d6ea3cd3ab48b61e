#include "host/service_manager.h"

#include <QByteArray>

#ifdef SONVIRA_HAVE_LIBSYSTEMD
#include <systemd/sd-daemon.h>
#endif

void notifyServiceManager(QByteArrayView state)
{
#ifdef SONVIRA_HAVE_LIBSYSTEMD
    // The text must end in a NUL; a view need not.
    (void)::sd_notify(0, state.toByteArray().constData());
#else
    (void)state;
#endif
}
