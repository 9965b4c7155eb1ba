#pragma once

#include <QString>
#include <QtGlobal>

class QFile;

namespace core {
class DiskWriter;
}

namespace taxfile {

// The reads of the copy, one place where tests inject failures and watch the chunks. A negative
// result is a failed read.
class CopyIo
{
public:
    virtual ~CopyIo() = default;
    virtual qint64 read(QFile& source, char* buffer, qint64 size);
};

struct CopyOptions
{
    CopyIo* io = nullptr;             // nullptr: the plain reads
    core::DiskWriter* disk = nullptr; // nullptr: the system's disk
    // When set, receives the copy as it was put in place, open for reading and writing: the
    // same file, whatever is put under its name afterwards.
    QFile* keepOpen = nullptr;
};

// Where a copy of source to destination lands: an existing directory gets the source's file
// name (a separator added unless it ends in one or in ":"; on Windows a lone drive letter gets
// ":\"); anything else is the destination itself, as text.
QString resolveCopyDestination(const QString& source, const QString& destination);

// Copies source to destination in chunks of 8192 bytes through one buffer, creating missing
// directories and giving the copy the source's modification time. The copy is put in place by
// core::writeSafely, so a failure leaves whatever was there as it was, a link in the
// destination's place is replaced, not followed, and a read-only file there is not touched.
// Failures throw core::Error: "Cannot open file %s", "Cannot create file %s", "Stream read
// error", "Stream write error". A destination that is the source itself is refused before
// anything is touched, and so is one whose path follows another user's link
// (core::foreignLink). A source that this process wrote must still be that very file of the
// user's (core::writtenFileProblem).
void copyFile(const QString& source, const QString& destination, const CopyOptions& options = {});

} // namespace taxfile
