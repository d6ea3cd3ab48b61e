#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The files of one folder whose names match a wildcard pattern ("timbres*.txt"),
// compared without regard to case as on Windows. Safe to call from any thread: a
// large folder is listed away from the window's.
struct FolderListing
{
    QStringList names; // sorted as the lists show them, without regard to case
    // Names that cannot be used: their bytes are not text in the system's encoding,
    // so no name the program could give would open them. Shown with the bytes that
    // are not text as \xHH.
    QStringList unusable;

    friend bool operator==(const FolderListing &, const FolderListing &) = default;
};

// Regular files, and links to them, whose names match; folders and anything else
// are left out. A folder that cannot be read lists nothing.
FolderListing listFolder(const QString &folder, const QString &pattern);

// One entry, by its name as the system has it, judged as listFolder judges each:
// whether it is listed, and under what name, or is one of the unusable ones.
struct FolderEntry
{
    enum class Kind { Absent, Listed, Unusable };
    Kind kind = Kind::Absent;
    bool text = true; // the name is text: it would be in names, else in unusable
    QString name;     // as listFolder would show it there, whether the entry is there or not
};
FolderEntry folderEntry(const QString &folder, const QByteArray &name, const QString &pattern);

// The order of FolderListing::names: without regard to case, then as written.
bool listedBefore(const QString &a, const QString &b);

// Whether the name matches the pattern's '*' and '?', without regard to case.
bool matchesPattern(QStringView name, QStringView pattern);
