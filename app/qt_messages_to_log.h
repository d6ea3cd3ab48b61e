#pragma once

#include "host/operations_log.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QtMessageHandler>

// In a service, standard error is the journal and holds only the log's lines. Qt's
// own messages (the platform's, a widget's) go to the log instead, as one MENSAJE
// line each, and each text once, however often Qt repeats it; those that come
// before the log is there (while the application is made) wait for it. Debug and
// info messages are not the service's to tell and are dropped.
//
// One at a time, made before the application and destroyed after it.
class QtMessagesToLog
{
public:
    QtMessagesToLog();
    ~QtMessagesToLog();
    QtMessagesToLog(const QtMessagesToLog &) = delete;
    QtMessagesToLog &operator=(const QtMessagesToLog &) = delete;

    // The log to write to from now on; nullptr before the log goes.
    void attach(OperationsLog *log);

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text);
    void tell(const QString &text);

    QtMessageHandler previous_ = nullptr;
    OperationsLog *log_ = nullptr;
    QStringList waiting_;
    QSet<QString> told_;
};
