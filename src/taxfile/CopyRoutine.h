#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class QFile;

namespace taxfile {

// The file operations of the copy, one place where tests inject failures and watch the chunks.
// A negative result is a failed operation; a write that stores fewer bytes than given fails too.
class CopyIo
{
public:
    virtual ~CopyIo() = default;
    virtual qint64 read(QFile& source, char* buffer, qint64 size);
    virtual qint64 write(QFile& destination, const char* data, qint64 size);
};

struct CopyOptions
{
    CopyIo* io = nullptr; // nullptr: the plain file operations
    // Forces the file and its directory onto the device before returning: a bookkeeper pulls
    // the stick out as soon as the program says nothing more.
    bool syncToDevice = false;
    // When set, receives the copy as it was put in place, open for reading and writing: the
    // same file, whatever is put under its name afterwards. (On Windows, which cannot rename an
    // open file, it is opened again by its name.)
    QFile* keepOpen = nullptr;
};

// Where a copy of source to destination lands: an existing directory gets the source's file
// name (a separator added unless it ends in one or in ":"; on Windows a lone drive letter gets
// ":\"); anything else is the destination itself, as text.
QString resolveCopyDestination(const QString& source, const QString& destination);

// Copies source to destination in chunks of 8192 bytes through one buffer, creating missing
// directories and giving the copy the source's modification time. The copy is written to a new
// file beside the destination, readable by the user only, and renamed into place when whole, so
// a failure leaves whatever was there as it was; a link in the destination's place is replaced,
// not followed, and a read-only file there is not touched. Failures throw core::Error:
// "Cannot open file %s", "Cannot create file %s", "Stream read error", "Stream write error".
// A destination that is the source itself is refused before anything is touched, and so is one
// whose path follows another user's link (core::foreignLink). A source that this process wrote
// must still be that very file of the user's (core::writtenFileProblem).
void copyFile(const QString& source, const QString& destination, const CopyOptions& options = {});

// Why no new file may take the place of `destination`: a folder stands there, or a file that is
// read-only or that belongs to another user (a link of another user's as well). Empty when one
// may; then a link there is replaced, never followed.
QString placementRefusal(const QString& destination);

// Writes a new file at `destination` as copyFile puts its copy in place: `fill` writes a new file
// beside it, made exclusively and readable by the user only, which is renamed over the
// destination only when `fill` has returned. Whatever stood there stays as it was on every
// failure; throws core::Error with the reason (the refusal above, or the system's) then. An
// exception from `fill` passes through.
void writeInPlace(const QString& destination, const std::function<void(QFile&)>& fill);

} // namespace taxfile
