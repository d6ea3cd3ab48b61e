#include "app/qt_messages_to_log.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QRecursiveMutex>
#include <QThread>

namespace {

QtMessagesToLog *installed = nullptr;
QRecursiveMutex guard; // Qt may warn from a thread of its own

} // namespace

QtMessagesToLog::QtMessagesToLog()
{
    installed = this;
    previous_ = qInstallMessageHandler(&QtMessagesToLog::handle);
}

QtMessagesToLog::~QtMessagesToLog()
{
    qInstallMessageHandler(previous_);
    const QMutexLocker lock(&guard);
    installed = nullptr;
}

void QtMessagesToLog::attach(OperationsLog *log)
{
    const QMutexLocker lock(&guard);
    log_ = log;
    if (!log_)
        return;
    for (const QString &text : std::as_const(waiting_))
        log_->write(LogEvent::Mensaje, {{LogKey::texto, text}});
    waiting_.clear();
}

void QtMessagesToLog::handle(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    const QString line = QStringLiteral("Qt: ") + text;
    // The log is written from the thread that owns it, the application's.
    QCoreApplication *application = QCoreApplication::instance();
    if (application && QThread::currentThread() != application->thread()) {
        QMetaObject::invokeMethod(
            application,
            [line] {
                const QMutexLocker lock(&guard);
                if (installed)
                    installed->tell(line);
            },
            Qt::QueuedConnection);
        return;
    }
    const QMutexLocker lock(&guard);
    if (installed)
        installed->tell(line);
}

void QtMessagesToLog::tell(const QString &text)
{
    if (told_.contains(text))
        return;
    told_.insert(text);
    if (log_)
        log_->write(LogEvent::Mensaje, {{LogKey::texto, text}});
    else
        waiting_ += text;
}
