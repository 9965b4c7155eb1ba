#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <fcntl.h>

#include <optional>

namespace testsupport {

// How this process has the file at `path` open (O_RDONLY, O_WRONLY or O_RDWR), as the system
// tells in /proc/self/fdinfo; nullopt when it is not open.
inline std::optional<int> openAccessMode(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
        if (QFile::symLinkTarget(fds.filePath(fd)) != target)
            continue;
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (!info.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : info.readAll().split('\n'))
            if (line.startsWith("flags:"))
                return line.mid(6).trimmed().toInt(nullptr, 8) & O_ACCMODE;
    }
    return std::nullopt;
}

} // namespace testsupport
