#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Makes or replaces the file with exactly these bytes; false if any of them was not written.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
