#include "taxfile/CopyRoutine.h"

#include "core/Error.h"
#include "core/OwnFiles.h"
#include "core/SafeWrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

#ifndef _WIN32
#include <sys/stat.h>
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

} // namespace

qint64 CopyIo::read(QFile& source, char* buffer, qint64 size)
{
    return source.read(buffer, size);
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
    // Before anything looks through the path: a link of another user's to a folder would
    // otherwise take the copy into their folder.
    if (!core::foreignLink(destinationText).isEmpty())
        fail(QStringLiteral("Cannot create file %1").arg(core::shownValue(destinationText)));
    const QString destination = resolveCopyDestination(source, destinationText);
    const QString cannotCreate =
        QStringLiteral("Cannot create file %1").arg(core::shownValue(destination));

    // Unbuffered, so every read below is one operation on the file itself; QFile closes it on
    // every way out.
    QFile in(source);
    if (QFileInfo(source).isDir() || !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !core::writtenFileProblem(source, in.handle()).isEmpty())
        fail(QStringLiteral("Cannot open file %1").arg(core::shownValue(source)));

    const QString parent = QFileInfo(destination).path();
    if (!parent.isEmpty())
        QDir().mkpath(parent); // a failure shows as the creation failing below
    if (sameFile(source, destination))
        fail(cannotCreate);

    core::SafeWriteOptions placing;
    placing.disk = options.disk;
    placing.modified = QFileInfo(in).lastModified();
    placing.keepOpen = options.keepOpen;
    try {
        core::writeSafely(
            destination,
            [&](QIODevice& out) {
                const auto buffer = std::make_unique<char[]>(ChunkSize);
                qint64 got = 0;
                do {
                    got = io.read(in, buffer.get(), ChunkSize);
                    if (got < 0)
                        fail(QStringLiteral("Stream read error"));
                    if (got > 0 && out.write(buffer.get(), got) != got)
                        fail(QStringLiteral("Stream write error"));
                } while (got == ChunkSize);
            },
            placing);
    } catch (const core::SafeWriteError& e) {
        fail(e.step() == core::SafeWriteError::Step::Write ? QStringLiteral("Stream write error")
                                                           : cannotCreate);
    }
}

} // namespace taxfile
