#pragma once

#include <QString>

namespace ddelink {

// Where the socket of a service lives: $XDG_RUNTIME_DIR/dde/<service> (the name in UTF-8), or
// <temp>/dde-<uid>/<service> without a runtime directory. The directory is the user's alone;
// both sides refuse one that another user could have prepared.
class SocketPath
{
public:
    static QString directory();
    static QString forService(const QString& service);

    // The server's side: creates the directory with mode 0700 when missing and tightens the mode
    // of our own directory when it is looser. False, with the reason, when the place is not ours.
    static bool prepareDirectory(QString* error);

    // The client's side: true when the directory exists, is a real directory (no symlink), belongs
    // to this user and nobody else may enter it.
    static bool isPrivate(const QString& directory, QString* error = nullptr);

    // A Unix socket's path must fit sockaddr_un.
    static bool fitsSocketAddress(const QString& path);
};

} // namespace ddelink
