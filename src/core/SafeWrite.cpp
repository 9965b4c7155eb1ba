#include "core/SafeWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <QDir>

#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace core {

namespace {

using Step = SafeWriteError::Step;

[[noreturn]] void fail(Step step, const QString& reason)
{
    throw SafeWriteError(step, reason);
}

// The last system call's failure, in the system's words.
QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The new file, made beside the destination under a name nobody else has: created exclusively
// (so an existing file or link of that name is never opened) and readable by the user only,
// since what is written here holds every employee's identification number and income. Removed
// again unless it was renamed into place.
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
        m_error = m_file.errorString();
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
    // Why the file could not be made, or placeAt failed, in the system's words.
    const QString& error() const { return m_error; }

    // Puts the new file in the destination's place in one step: a file or a link of that name
    // is replaced as a whole, and until then it stays as it was. In a shared folder with the
    // sticky bit the system refuses to replace another user's file.
    bool placeAt(const QString& destination)
    {
        m_file.close();
#ifdef _WIN32
        // The runtime's rename refuses to replace an existing file here; the system's own call
        // replaces it in one step, and only once the new file is on the disk.
        const std::wstring from = QDir::toNativeSeparators(m_file.fileName()).toStdWString();
        const std::wstring to = QDir::toNativeSeparators(destination).toStdWString();
        m_placed = ::MoveFileExW(from.c_str(), to.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        if (!m_placed)
            m_error = QString::fromStdString(
                std::system_category().message(static_cast<int>(::GetLastError())));
#else
        std::error_code error;
        std::filesystem::rename(std::filesystem::path(m_file.fileName().toStdU16String()),
                                std::filesystem::path(destination.toStdU16String()), error);
        m_placed = !error;
        m_error = QString::fromLocal8Bit(error.message());
#endif
        return m_placed;
    }

private:
    QFile m_file;
    bool m_placed = false;
    QString m_error;
};

// What `fill` writes into: every byte goes to the disk or the write has failed, and once failed
// it stays failed, so a writer that looks at no result (the PDF writer) cannot have a file cut
// short taken for a whole one.
class CheckedOutput : public QIODevice
{
public:
    CheckedOutput(QFile& file, DiskWriter& disk) : m_file(file), m_disk(disk)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }
    bool failed() const { return m_failed; }
    const QString& reason() const { return m_reason; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (m_failed)
            return -1;
        // A write may take fewer bytes than given; the rest goes in the next one, and the one
        // that takes nothing says why.
        for (qint64 done = 0; done < size;) {
            const qint64 taken = m_disk.write(m_file, data + done, size - done);
            if (taken <= 0) {
                m_failed = true;
                m_reason =
                    taken < 0 ? m_file.errorString() : QStringLiteral("файл записано не повністю");
                setErrorString(m_reason);
                return -1;
            }
            done += taken;
        }
        return size;
    }

private:
    QFile& m_file;
    DiskWriter& m_disk;
    bool m_failed = false;
    QString m_reason;
};

// Forces the rename itself onto the device. A file system that cannot flush a folder (EINVAL)
// has nothing more to do.
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
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
#endif
}

} // namespace

qint64 DiskWriter::write(QFile& file, const char* data, qint64 size)
{
    return file.write(data, size);
}

bool DiskWriter::sync(QFile& file)
{
#ifdef _WIN32
    return ::_commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

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

void writeSafely(const QString& destination, const std::function<void(QIODevice&)>& fill,
                 const SafeWriteOptions& options)
{
    DiskWriter systemDisk;
    DiskWriter& disk = options.disk ? *options.disk : systemDisk;
    const QString refusal = placementRefusal(destination);
    if (!refusal.isEmpty())
        fail(Step::Refused, refusal);
    ScratchFile scratch(destination);
    if (!scratch.isOpen())
        fail(Step::Create, scratch.error());
    {
        CheckedOutput output(scratch.file(), disk);
        fill(output);
        if (output.failed())
            fail(Step::Write, output.reason());
    }
    // A file system that keeps no times (or rounds them) is no reason to fail the write.
    if (options.modified.isValid())
        scratch.file().setFileTime(options.modified, QFileDevice::FileModificationTime);
    // Whole on the device before it takes the old file's place: a bookkeeper pulls the stick
    // out as soon as the program says nothing more.
    if (!disk.sync(scratch.file()))
        fail(Step::Write, systemReason());
#ifndef _WIN32
    // The descriptor outlives the rename: it is the new file itself, not whatever the name leads
    // to afterwards.
    const int kept = options.keepOpen ? ::dup(scratch.file().handle()) : -1;
    if (options.keepOpen && kept < 0)
        fail(Step::Create, systemReason());
#endif
    if (!scratch.placeAt(destination)) {
#ifndef _WIN32
        if (kept >= 0)
            ::close(kept);
#endif
        fail(Step::Place, scratch.error());
    }
    if (options.keepOpen) {
        QFile& keep = *options.keepOpen;
        keep.close();
#ifdef _WIN32
        // Windows renames no open file: the placed file is opened again by its name.
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
            fail(Step::Create, keep.errorString());
    }
    if (!syncDirectory(destination))
        fail(Step::Write, systemReason());
}

} // namespace core
