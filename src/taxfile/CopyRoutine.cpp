#include "taxfile/CopyRoutine.h"

#include "core/Error.h"
#include "core/OwnFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <filesystem>
#include <memory>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
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

// The new copy, made beside the destination under a name nobody else has: created exclusively
// (so an existing file or link of that name is never opened) and readable by the user only,
// since the tax file holds every employee's identification number and income. Removed again
// unless it was renamed into place.
class ScratchFile
{
public:
    explicit ScratchFile(const QString& destination)
    {
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        for (int attempt = 0; attempt < 16; ++attempt) {
            m_file.setFileName(destination +
                               QStringLiteral(".%1~").arg(QRandomGenerator::system()->generate(), 8,
                                                          16, QLatin1Char('0')));
            if (m_file.open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered,
                            ownerOnly))
                return;
            if (m_file.error() != QFileDevice::OpenError || !QFileInfo::exists(m_file.fileName()))
                break;
        }
        m_file.setFileName(QString());
    }
    ~ScratchFile()
    {
        m_file.close();
        if (!m_placed && !m_file.fileName().isEmpty())
            QFile::remove(m_file.fileName());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    bool isOpen() const { return m_file.isOpen(); }
    QFile& file() { return m_file; }

    // Puts the new copy in the destination's place in one step: a file or a link of that name
    // is replaced as a whole, and until then it stays as it was. In a shared folder with the
    // sticky bit the system refuses to replace another user's file.
    bool placeAt(const QString& destination)
    {
        m_file.close();
#ifdef _WIN32
        // The runtime's rename refuses to replace an existing file here; the system's own call
        // replaces it in one step, and only once the new copy is on the disk.
        const std::wstring from = QDir::toNativeSeparators(m_file.fileName()).toStdWString();
        const std::wstring to = QDir::toNativeSeparators(destination).toStdWString();
        m_placed = ::MoveFileExW(from.c_str(), to.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        if (!m_placed)
            m_error = std::system_category().message(static_cast<int>(::GetLastError())).c_str();
#else
        std::error_code error;
        std::filesystem::rename(std::filesystem::path(m_file.fileName().toStdU16String()),
                                std::filesystem::path(destination.toStdU16String()), error);
        m_placed = !error;
        m_error = QString::fromLocal8Bit(error.message());
#endif
        return m_placed;
    }
    // Why placeAt failed, in the system's words.
    const QString& placeError() const { return m_error; }

private:
    QFile m_file;
    bool m_placed = false;
    QString m_error;
};

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

QString placementRefusal(const QString& destination)
{
    const QFileInfo info(destination);
    if (!info.exists() && !info.isSymbolicLink())
        return {};
#ifndef _WIN32
    // The entry itself, a link included: another user's file or link in a shared folder is
    // theirs to keep, whatever the folder lets us do.
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(destination).constData(), &st) == 0 && st.st_uid != ::geteuid())
        return QStringLiteral("там уже є файл іншого користувача");
#endif
    // A link in the destination's place is replaced, never followed: what it points to is none
    // of ours.
    if (info.isSymbolicLink())
        return {};
    if (info.isDir())
        return QStringLiteral("там уже є тека з такою назвою");
    // Checked by the permission bits rather than by trying: the administrator may write into a
    // read-only file, and the file must stay untouched all the same.
    // (WriteUser is left out: it says what this user may do, and the administrator may.)
    const auto writable =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if ((info.permissions() & writable) == 0)
        return QStringLiteral("там уже є файл, захищений від запису");
    return {};
}

void writeInPlace(const QString& destination, const std::function<void(QFile&)>& fill)
{
    const QString refusal = placementRefusal(destination);
    if (!refusal.isEmpty())
        fail(refusal);
    ScratchFile scratch(destination);
    if (!scratch.isOpen())
        fail(scratch.file().errorString());
    fill(scratch.file());
    if (scratch.file().error() != QFileDevice::NoError)
        fail(scratch.file().errorString());
    if (!scratch.placeAt(destination))
        fail(scratch.placeError());
}

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
    // Before anything looks through the path: a link of another user's to a folder would
    // otherwise take the copy into their folder.
    if (!core::foreignLink(destinationText).isEmpty())
        fail(QStringLiteral("Cannot create file %1").arg(core::shownValue(destinationText)));
    const QString destination = resolveCopyDestination(source, destinationText);

    // Unbuffered, so every read and write below is one operation on the file itself.
    QFile in(source);
    if (QFileInfo(source).isDir() || !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !core::writtenFileProblem(source, in.handle()).isEmpty())
        fail(QStringLiteral("Cannot open file %1").arg(core::shownValue(source)));

    const QString parent = QFileInfo(destination).path();
    if (!parent.isEmpty())
        QDir().mkpath(parent); // a failure shows as the creation failing below

    if (sameFile(source, destination) || !placementRefusal(destination).isEmpty())
        fail(QStringLiteral("Cannot create file %1").arg(core::shownValue(destination)));
    ScratchFile scratch(destination);
    if (!scratch.isOpen())
        fail(QStringLiteral("Cannot create file %1").arg(core::shownValue(destination)));
    QFile& out = scratch.file();

    // QFile closes both files and the buffer goes with its owner on every way out; the scratch
    // copy is removed on every way out but the last.
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

    // Whole on the device before it takes the old copy's place.
    if (options.syncToDevice && !syncHandle(out.handle()))
        fail(QStringLiteral("Stream write error"));
    in.close();
#ifndef _WIN32
    // The descriptor outlives the rename: it is the copy itself, not whatever the name leads to.
    const int kept = options.keepOpen ? ::dup(out.handle()) : -1;
    if (options.keepOpen && kept < 0)
        fail(QStringLiteral("Cannot create file %1").arg(core::shownValue(destination)));
#endif
    if (!scratch.placeAt(destination)) {
#ifndef _WIN32
        if (kept >= 0)
            ::close(kept);
#endif
        fail(QStringLiteral("Cannot create file %1").arg(core::shownValue(destination)));
    }
    if (options.keepOpen) {
        QFile& keep = *options.keepOpen;
        keep.close();
#ifdef _WIN32
        keep.setFileName(destination);
        const bool opened =
            keep.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered);
#else
        const bool opened = keep.open(kept, QIODevice::ReadWrite | QIODevice::Unbuffered,
                                      QFileDevice::AutoCloseHandle);
        if (!opened)
            ::close(kept);
#endif
        if (!opened)
            fail(QStringLiteral("Cannot open file %1").arg(core::shownValue(destination)));
    }
    if (options.syncToDevice && !syncDirectory(destination))
        fail(QStringLiteral("Stream write error"));
}

} // namespace taxfile
