#include "taxfile/CopyRoutine.h"

#include "core/Error.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace taxfile {

namespace {

constexpr qint64 ChunkSize = 8192;

[[noreturn]] void fail(const QString& message)
{
    throw core::Error(message);
}

// "\\" and ":" as on Windows; "/" as well, since it is the separator here and Windows takes it too.
bool isDirectorySeparator(QChar c)
{
    return c == u'\\' || c == u':' || c == u'/';
}

// True when both paths name the same file, hard links included: creating the destination
// would then truncate the source and lose it.
bool sameFile(const QString& a, const QString& b)
{
#ifdef _WIN32
    const QFileInfo fa(a), fb(b);
    return fb.exists() &&
           fa.canonicalFilePath().compare(fb.canonicalFilePath(), Qt::CaseInsensitive) == 0;
#else
    struct stat sa
    {
    }, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
}

bool isReadOnlyFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return false;
    // Checked by the permission bits rather than by trying: the administrator may write into a
    // read-only file, and the file must stay untouched all the same.
    // (WriteUser is left out: it says what this user may do, and the administrator may.)
    const auto writable =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (info.permissions() & writable) == 0;
}

bool syncHandle(int fd)
{
#ifdef _WIN32
    return ::_commit(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

bool syncDirectory(const QString& filePath)
{
#ifdef _WIN32
    Q_UNUSED(filePath);
    return true; // Windows has no directory handles to flush; the file's own flush suffices.
#else
    const QByteArray dir = QFile::encodeName(QFileInfo(filePath).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#endif
}

} // namespace

qint64 CopyIo::read(QFile& source, char* buffer, qint64 size)
{
    return source.read(buffer, size);
}

qint64 CopyIo::write(QFile& destination, const char* data, qint64 size)
{
    return destination.write(data, size);
}

QString resolveCopyDestination(const QString& source, const QString& destination)
{
    if (!QFileInfo(destination).isDir())
        return destination;
    QString dir = destination;
#ifdef _WIN32
    if (dir.size() == 1 && dir[0].isLetter())
        dir += QStringLiteral(":\\");
    else
#endif
        if (!dir.isEmpty() && !isDirectorySeparator(dir.back()))
        dir += QDir::separator();
    return dir + QFileInfo(source).fileName();
}

void copyFile(const QString& source, const QString& destinationText, const CopyOptions& options)
{
    CopyIo plainIo;
    CopyIo& io = options.io ? *options.io : plainIo;
    const QString destination = resolveCopyDestination(source, destinationText);

    // Unbuffered, so every read and write below is one operation on the file itself.
    QFile in(source);
    if (QFileInfo(source).isDir() || !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        fail(QStringLiteral("Cannot open file %1").arg(source));

    const QString parent = QFileInfo(destination).path();
    if (!parent.isEmpty())
        QDir().mkpath(parent); // a failure shows as the creation failing below

    QFile out(destination);
    if (sameFile(source, destination) || isReadOnlyFile(destination) ||
        QFileInfo(destination).isDir() ||
        !out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        fail(QStringLiteral("Cannot create file %1").arg(destination));

    // QFile closes both files and the buffer goes with its owner on every way out.
    const auto buffer = std::make_unique<char[]>(ChunkSize);
    qint64 got = 0;
    do {
        got = io.read(in, buffer.get(), ChunkSize);
        if (got < 0)
            fail(QStringLiteral("Stream read error"));
        if (got > 0 && io.write(out, buffer.get(), got) != got)
            fail(QStringLiteral("Stream write error"));
    } while (got == ChunkSize);

    const QDateTime modified = QFileInfo(in).lastModified();
    if (modified.isValid())
        out.setFileTime(modified, QFileDevice::FileModificationTime);

    if (options.syncToDevice && !syncHandle(out.handle()))
        fail(QStringLiteral("Stream write error"));
    out.close();
    in.close();
    if (options.syncToDevice && !syncDirectory(destination))
        fail(QStringLiteral("Stream write error"));
}

} // namespace taxfile
