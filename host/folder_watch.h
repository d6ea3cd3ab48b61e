#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSocketNotifier;

// Follows one folder through the system's notices of its changes, naming the
// entries that appeared, vanished or were renamed, so that a list of a folder of
// tens of thousands of files can follow a few of them coming and going without
// reading the whole folder again. When the notices cannot tell what changed (the
// folder itself moved or deleted, or more changes than the system could keep),
// it asks for the folder to be read in full.
class FolderWatch : public QObject
{
    Q_OBJECT

public:
    explicit FolderWatch(QObject *parent = nullptr);
    ~FolderWatch() override;

    // Follows this folder, and it alone, from now on; false when it cannot be
    // followed (it is not there, say): then nothing is told until the next call.
    bool follow(const QString &folder);
    QString folder() const { return folder_; }
    bool following() const { return watch_ >= 0; }

signals:
    // Entries by their names as the system has them (not always text).
    void entriesChanged(const QList<QByteArray> &names);
    void readInFull();

private:
    void readNotices();

    int fd_ = -1;
    int watch_ = -1;
    QString folder_;
    QSocketNotifier *notifier_ = nullptr;
};
