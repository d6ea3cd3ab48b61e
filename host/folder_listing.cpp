#include "host/folder_listing.h"

#include <QFile>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QString shownBytes(const QByteArray &raw)
{
    QString shown;
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        shown += byte >= 0x20 && byte < 0x7f
                     ? QString(QChar(byte))
                     : QStringLiteral("\\x%1").arg(byte, 2, 16, QChar(u'0'));
    }
    return shown;
}

bool isFileEntry(int folder, const dirent *entry)
{
    if (entry->d_type == DT_REG)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    struct stat status;
    return ::fstatat(folder, entry->d_name, &status, 0) == 0 && S_ISREG(status.st_mode);
}

} // namespace

bool matchesPattern(QStringView name, QStringView pattern)
{
    // Iterative wildcard match: on a mismatch, the last '*' takes one more character.
    qsizetype n = 0, p = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

FolderListing listFolder(const QString &folder, const QString &pattern)
{
    FolderListing listing;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return listing;
    const int fd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == "..")
            continue;
        const QString name = QFile::decodeName(raw);
        // Cheap test first: most entries of a busy folder do not match at all.
        if (!matchesPattern(name, pattern) || !isFileEntry(fd, entry))
            continue;
        if (QFile::encodeName(name) != raw)
            listing.unusable.append(shownBytes(raw));
        else
            listing.names.append(name);
    }
    ::closedir(dir);
    std::sort(listing.names.begin(), listing.names.end(), [](const QString &a, const QString &b) {
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    listing.unusable.sort();
    return listing;
}
