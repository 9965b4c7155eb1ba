#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

namespace core {

// What tells one file from another on its device, whatever names lead to it.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    bool valid = false;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file open on the descriptor `fd`; not valid when it cannot be told (and
// on Windows, which has no such numbers for a C descriptor).
FileIdentity identityOf(int fd);

// The first symbolic link met while the system would follow `path` that belongs to neither the
// user nor the administrator, as the path up to it; empty when there is none. A write that puts
// a file somewhere asks this first, so that it never follows another user's link in a shared
// folder, to a folder or to anything else. A part of the path that does not exist yet ends the
// walk: nothing beyond it can be a link.
QString foreignLink(const QString& path);

// Opens `path` for reading only when it is a regular file that belongs to the user or to the
// administrator (an installed template, say), never waiting on it: the name is opened without
// blocking and looked at through the open descriptor, so a pipe or a device (a pipe nobody
// writes to would hold an ordinary open for ever) is refused, not read. False with the reason,
// in the file engine's English ("it is not a file", "it belongs to another user"), otherwise.
bool openReadable(QFile& file, const QString& path, QString& why);
// The same look without keeping the file open: empty when `path` may be read, or names nothing.
QString readableFileProblem(const QString& path);

// The files this process wrote that hold personal data. Whoever opens one of them again by its
// name asks writtenFileProblem() of the open descriptor: in a folder that others may write to,
// someone else's file could have been put under the name meanwhile.
void rememberWritten(const QString& path, const FileIdentity& identity);
// Why the file open on `fd` is not the one this process wrote under `path`: not the user's own,
// not a regular file, or another file than the one written. Empty when it is that file, or when
// this process wrote nothing under `path`.
QString writtenFileProblem(const QString& path, int fd);

} // namespace core
