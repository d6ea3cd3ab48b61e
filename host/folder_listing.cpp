#include "host/folder_listing.h"

#include <QFile>

#include <QUtf8StringView>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

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

// Iterative wildcard match of '*' and '?': on a mismatch, the last '*' takes one
// more character. same(a, b) compares a pattern character with a name's.
template <typename View, typename Same> bool wildcardMatch(View name, View pattern, Same same)
{
    qsizetype n = 0, p = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// The pattern's test on the name's own bytes, before any decoding: most entries
// of a busy folder are looked at only here. Letters of the ASCII range compare
// without regard to case; any other byte as it is.
bool matchesBytes(QByteArrayView name, QByteArrayView pattern)
{
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    return wildcardMatch(name, pattern, [&](char a, char b) { return fold(a) == fold(b); });
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
    return wildcardMatch(name, pattern,
                         [](QChar a, QChar b) { return a.toCaseFolded() == b.toCaseFolded(); });
}

bool listedBefore(const QString &a, const QString &b)
{
    const QString foldedA = a.toCaseFolded(), foldedB = b.toCaseFolded();
    return foldedA != foldedB ? foldedA < foldedB : a < b;
}

FolderListing listFolder(const QString &folder, const QString &pattern)
{
    FolderListing listing;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return listing;
    const int fd = ::dirfd(dir);
    const QByteArray bytePattern = QFile::encodeName(pattern);
    bool asciiPattern = true;
    for (const QChar c : pattern)
        asciiPattern = asciiPattern && c.unicode() < 0x80;
    // Sorted as listedBefore orders, by a key folded once in advance: folding on
    // every comparison costs several times the whole listing of a large folder.
    std::vector<std::pair<QString, QString>> found; // folded, as named
    while (const dirent *entry = ::readdir(dir)) {
        if (!matchesBytes(QByteArrayView(entry->d_name), bytePattern) || !isFileEntry(fd, entry))
            continue;
        const QByteArrayView raw(entry->d_name);
        if (!QUtf8StringView(raw).isValidUtf8()) {
            listing.unusable.append(shownBytes(raw.toByteArray()));
            continue;
        }
        QString name = QString::fromUtf8(raw);
        // The pattern's letters beyond ASCII, if any, compare as text.
        if (!asciiPattern && !matchesPattern(name, pattern))
            continue;
        found.emplace_back(name.toCaseFolded(), std::move(name));
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    listing.names.reserve(qsizetype(found.size()));
    for (auto &entry : found)
        listing.names.append(std::move(entry.second));
    listing.unusable.sort();
    return listing;
}
