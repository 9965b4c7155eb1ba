#include "link/SocketPath.h"

#include <QDir>
#include <QFile>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ddelink {

QString SocketPath::directory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return QDir(runtime).filePath(QStringLiteral("dde"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("dde-%1").arg(::geteuid()));
}

QString SocketPath::forService(const QString& service)
{
    return directory() + QLatin1Char('/') + service;
}

static QString systemError(const QString& what, const QString& path)
{
    return QStringLiteral("%1 %2: %3")
        .arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}

bool SocketPath::isPrivate(const QString& dir, QString* error)
{
    struct stat st
    {
    };
    const QByteArray native = dir.toUtf8();
    if (::lstat(native.constData(), &st) != 0) {
        if (error)
            *error = systemError(QStringLiteral("cannot inspect"), dir);
        return false;
    }
    QString reason;
    if (!S_ISDIR(st.st_mode))
        reason = QStringLiteral("%1 is not a directory").arg(dir);
    else if (st.st_uid != ::geteuid())
        reason = QStringLiteral("%1 belongs to another user").arg(dir);
    else if ((st.st_mode & 077) != 0)
        reason = QStringLiteral("%1 is open to other users").arg(dir);
    if (error)
        *error = reason;
    return reason.isEmpty();
}

bool SocketPath::prepareDirectory(QString* error)
{
    const QString dir = directory();
    const QByteArray native = dir.toUtf8();
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        if (error)
            *error = systemError(QStringLiteral("cannot create"), dir);
        return false;
    }
    struct stat st
    {
    };
    if (::lstat(native.constData(), &st) != 0) {
        if (error)
            *error = systemError(QStringLiteral("cannot inspect"), dir);
        return false;
    }
    // Our own directory left open (an old umask, a hand-made one) is closed rather than refused;
    // anything that is not ours is refused, since its owner could listen in.
    if (S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0 &&
        ::chmod(native.constData(), 0700) != 0) {
        if (error)
            *error = systemError(QStringLiteral("cannot restrict"), dir);
        return false;
    }
    return isPrivate(dir, error);
}

bool SocketPath::fitsSocketAddress(const QString& path)
{
    return static_cast<std::size_t>(path.toUtf8().size()) < sizeof(sockaddr_un::sun_path);
}

} // namespace ddelink
