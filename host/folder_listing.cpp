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

namespace {

bool asciiOnly(const QString &pattern)
{
    return std::all_of(pattern.begin(), pattern.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// The name as a listing shows it, and the rest of the judgement of an entry that
// matched the pattern's bytes: whether it is a file (`file`), and when it is, unusable
// when not text, else listed when its text matches the pattern too.
FolderEntry judgedName(QByteArrayView raw, const QString &pattern, bool asciiPattern, bool file)
{
    FolderEntry entry;
    entry.text = QUtf8StringView(raw).isValidUtf8();
    entry.name = entry.text ? QString::fromUtf8(raw) : shownBytes(raw.toByteArray());
    if (!file)
        return entry;
    if (!entry.text)
        entry.kind = FolderEntry::Kind::Unusable;
    // The pattern's letters beyond ASCII, if any, compare as text.
    else if (asciiPattern || matchesPattern(entry.name, pattern))
        entry.kind = FolderEntry::Kind::Listed;
    return entry;
}

} // namespace

FolderEntry folderEntry(const QString &folder, const QByteArray &name, const QString &pattern)
{
    struct stat status;
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    const bool file = !name.isEmpty() && !name.contains('/') &&
                      matchesBytes(QByteArrayView(name), QFile::encodeName(pattern)) &&
                      ::stat(path.constData(), &status) == 0 && S_ISREG(status.st_mode);
    return judgedName(QByteArrayView(name), pattern, asciiOnly(pattern), file);
}

FolderListing listFolder(const QString &folder, const QString &pattern)
{
    FolderListing listing;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return listing;
    const int fd = ::dirfd(dir);
    const QByteArray bytePattern = QFile::encodeName(pattern);
    const bool asciiPattern = asciiOnly(pattern);
    // Sorted as listedBefore orders, by a key folded once in advance: folding on
    // every comparison costs several times the whole listing of a large folder.
    std::vector<std::pair<QString, QString>> found; // folded, as named
    while (const dirent *entry = ::readdir(dir)) {
        if (!matchesBytes(QByteArrayView(entry->d_name), bytePattern) || !isFileEntry(fd, entry))
            continue;
        FolderEntry judged = judgedName(QByteArrayView(entry->d_name), pattern, asciiPattern, true);
        if (judged.kind == FolderEntry::Kind::Unusable)
            listing.unusable.append(std::move(judged.name));
        else if (judged.kind == FolderEntry::Kind::Listed)
            found.emplace_back(judged.name.toCaseFolded(), std::move(judged.name));
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    listing.names.reserve(qsizetype(found.size()));
    for (auto &entry : found)
        listing.names.append(std::move(entry.second));
    listing.unusable.sort();
    return listing;
}
