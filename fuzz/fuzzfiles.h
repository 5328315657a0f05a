// Inputs for readers that take a path: the bytes go to a file in a folder
// of the run's own, written anew for each input.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace fuzzing {

// A file named `name` in a folder made once per run (under $TMPDIR) that
// holds `size` bytes of `data`.
inline QString WriteInput(const QString& name, const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    if (!folder.isValid())
        std::abort();
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    return path;
}

inline QByteArray BytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace fuzzing
