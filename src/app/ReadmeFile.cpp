#include "app/ReadmeFile.h"

#include "core/Cp1251.h"
#include "core/Error.h"
#include "core/OwnFiles.h"

#include <QFile>
#include <QFileInfo>

namespace app {

std::optional<QString> ReadmeFile::load(const QString& path)
{
    const QFileInfo info(path);
    // A folder of that name is no file at all. Anything else that is there but is no plain file
    // of the user's (a pipe, a device, a link to one) cannot be read: opening a pipe nobody
    // writes to would wait for ever, and a device would never end.
    if (!info.exists() || info.isDir())
        return std::nullopt;
    QFile file;
    QString why;
    if (!core::openReadable(file, path, why))
        throw core::Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, why));
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
