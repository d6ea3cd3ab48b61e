#include "host/folder_watch.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// What makes an entry come, go or change its name; a file written leaves its
// entry as it was, and is no news for a list of names.
constexpr std::uint32_t entryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t folderEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

} // namespace

FolderWatch::FolderWatch(QObject *parent) : QObject(parent)
{
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0)
        return;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &FolderWatch::readNotices);
}

FolderWatch::~FolderWatch()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FolderWatch::follow(const QString &folder)
{
    if (fd_ < 0)
        return false;
    if (watch_ >= 0)
        ::inotify_rm_watch(fd_, watch_);
    folder_ = folder;
    watch_ = ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(),
                                 entryEvents | folderEvents | IN_ONLYDIR);
    return watch_ >= 0;
}

void FolderWatch::readNotices()
{
    QList<QByteArray> names;
    bool inFull = false;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char *name = buffer + at + sizeof event;
            at += ssize_t(sizeof event + event.len);
            if (event.mask & IN_Q_OVERFLOW) {
                inFull = true;
            } else if (event.wd != watch_) {
                continue; // a folder followed before
            } else if (event.mask & folderEvents) {
                inFull = true;
                if (event.mask & IN_IGNORED)
                    watch_ = -1;
            } else if (event.len > 0) {
                names.append(QByteArray(name, qsizetype(::strnlen(name, event.len))));
            }
        }
    }
    if (inFull)
        emit readInFull();
    else if (!names.isEmpty())
        emit entriesChanged(names);
}
