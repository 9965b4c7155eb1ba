#pragma once

#include "core/Error.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>

class QFile;
class QIODevice;

namespace core {

// The disk under a safe write: where the bytes go and how they are forced onto the device, one
// place where tests put a disk that fills up.
class DiskWriter
{
public:
    virtual ~DiskWriter() = default;
    // Writes at most `size` bytes at the file's end: how many it took, or -1 (the file's error
    // string says why).
    virtual qint64 write(QFile& file, const char* data, qint64 size);
    // Forces what was written to the file onto the device.
    virtual bool sync(QFile& file);
};

// A safe write that failed, with the step it failed at so that a caller can word it its own
// way; the message is the reason, in the system's words or in ours.
class SafeWriteError : public Error
{
public:
    enum class Step
    {
        Refused, // placementRefusal() named a reason
        Create,  // the new file beside the destination could not be made
        Write,   // a byte was not taken, or the flush onto the device failed
        Place,   // the rename over the destination failed
    };
    SafeWriteError(Step step, const QString& reason) : Error(reason), m_step(step) {}
    Step step() const { return m_step; }

private:
    Step m_step;
};

struct SafeWriteOptions
{
    DiskWriter* disk = nullptr; // nullptr: the system's own
    QDateTime modified;         // when valid, the new file's modification time
    // When set, receives the new file as it was put in place, open for reading and writing: the
    // same file, whatever is put under its name afterwards. (On Windows, which cannot rename an
    // open file, it is opened again by its name.)
    QFile* keepOpen = nullptr;
};

// Why no new file may take the place of `destination`: a folder stands there, or a file that is
// read-only or that belongs to another user (a link of another user's as well). Empty when one
// may; then a link there is replaced, never followed.
QString placementRefusal(const QString& destination);

// Puts a new file at `destination`, or leaves whatever stood there as it was. `fill` writes the
// contents into a new file beside the destination, made exclusively and readable by the user
// only; every byte it writes is checked, and the first one not taken fails the write, however
// `fill` itself looks at the results. When `fill` returns, the new file is flushed onto the
// device, renamed over the destination in one step, and the folder flushed. Throws
// SafeWriteError; an exception from `fill` passes through. The new file is gone on every
// failure before the rename.
void writeSafely(const QString& destination, const std::function<void(QIODevice&)>& fill,
                 const SafeWriteOptions& options = {});

} // namespace core
