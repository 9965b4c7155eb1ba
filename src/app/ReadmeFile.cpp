#include "app/ReadmeFile.h"

#include "core/Cp1251.h"
#include "core/Error.h"

#include <QFile>
#include <QFileInfo>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace app {

std::optional<QString> ReadmeFile::load(const QString& path)
{
    const QFileInfo info(path);
    // Only a plain file is an instruction file: a folder, a pipe or a device of that name is
    // none (opening a pipe nobody writes to would wait for ever).
    if (!info.exists() || !info.isFile())
        return std::nullopt;

    QFile file(path);
#ifdef _WIN32
    const bool opened = file.open(QIODevice::ReadOnly);
#else
    // Opened without waiting and checked again on the open file itself, in case something other
    // than a plain file took the name after the look above.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st
    {
    };
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return std::nullopt;
    }
    const bool opened = fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    if (fd >= 0 && !opened)
        ::close(fd);
    if (fd < 0)
        file.open(QIODevice::ReadOnly); // for the system's own words on why it cannot be read
#endif
    if (!opened)
        throw core::Error(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    // One byte past the capacity tells a full box from one that overflows, without reading
    // an arbitrarily large file into memory.
    QByteArray bytes = file.read(kCapacity + 1);
    if (file.error() != QFileDevice::NoError)
        throw core::Error(
            QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    if (bytes.size() > kCapacity)
        throw core::Error(QStringLiteral("Text exceeds memo capacity"));
    return decode(bytes);
}

QString ReadmeFile::decode(const QByteArray& bytes)
{
    QByteArray text = bytes;
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return core::cp1251::decode(text);
}

} // namespace app
