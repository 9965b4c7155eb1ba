#include "core/OwnFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#endif

namespace core {

namespace {

QHash<QString, FileIdentity>& written()
{
    static QHash<QString, FileIdentity> files;
    return files;
}

QString key(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

FileIdentity identityOf(int fd)
{
#ifdef _WIN32
    Q_UNUSED(fd);
    return {};
#else
    struct stat st
    {
    };
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return {};
    return {static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino), true};
#endif
}

QString foreignLink(const QString& path)
{
#ifdef _WIN32
    Q_UNUSED(path);
    return {};
#else
    // The parts still to walk, the next one last; a link's target is put in its place.
    // Made absolute by hand: a cleaned path would take ".." before a link's target is known.
    const QString absolute = path.startsWith(u'/') ? path : QDir::currentPath() + u'/' + path;
    QStringList pending = absolute.split(u'/', Qt::SkipEmptyParts);
    std::reverse(pending.begin(), pending.end());
    QString reached; // where the walk stands, without the trailing "/"; empty is the root
    int links = 0;
    while (!pending.isEmpty()) {
        const QString part = pending.takeLast();
        if (part == u'.')
            continue;
        if (part == QStringLiteral("..")) {
            reached.truncate(std::max<qsizetype>(reached.lastIndexOf(u'/'), 0));
            continue;
        }
        const QString next = reached + u'/' + part;
        const QByteArray native = QFile::encodeName(next);
        struct stat st
        {
        };
        if (::lstat(native.constData(), &st) != 0)
            return {};
        if (S_ISLNK(st.st_mode)) {
            if ((st.st_uid != ::geteuid() && st.st_uid != 0) || ++links > 40)
                return next;
            QByteArray target(PATH_MAX, '\0');
            const ssize_t n = ::readlink(native.constData(), target.data(), target.size());
            if (n < 0)
                return next;
            target.truncate(n);
            QStringList parts = QFile::decodeName(target).split(u'/', Qt::SkipEmptyParts);
            if (target.startsWith('/'))
                reached.clear();
            for (auto it = parts.rbegin(); it != parts.rend(); ++it)
                pending.append(*it);
            continue;
        }
        reached = next;
    }
    return {};
#endif
}

bool openReadable(QFile& file, const QString& path, QString& why)
{
    file.close();
#ifdef _WIN32
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        why = QStringLiteral("it is not a file");
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return false;
    }
    return true;
#else
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = errno == ENOENT ? QStringLiteral("it does not exist")
                              : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st
    {
    };
    why.clear();
    if (::fstat(fd, &st) != 0)
        why = QString::fromLocal8Bit(std::strerror(errno));
    else if (!S_ISREG(st.st_mode))
        why = QStringLiteral("it is not a file");
    else if (st.st_uid != ::geteuid() && st.st_uid != 0)
        why = QStringLiteral("it belongs to another user");
    if (why.isEmpty()) {
        // Reads of a regular file never wait; the flag only kept the open from waiting.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            return true;
        why = file.errorString();
    }
    ::close(fd);
    return false;
#endif
}

QString readableFileProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymbolicLink())
        return {};
    QFile file;
    QString why;
    return openReadable(file, path, why) ? QString() : why;
}

void rememberWritten(const QString& path, const FileIdentity& identity)
{
    written().insert(key(path), identity);
}

QString writtenFileProblem(const QString& path, int fd)
{
    const auto it = written().constFind(key(path));
    if (it == written().constEnd())
        return {};
#ifdef _WIN32
    Q_UNUSED(fd);
    return {};
#else
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0)
        return QStringLiteral("it cannot be examined");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a file");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    if (!it->valid || it->device != static_cast<quint64>(st.st_dev) ||
        it->inode != static_cast<quint64>(st.st_ino))
        return QStringLiteral("it is not the file this program wrote there");
    return {};
#endif
}

} // namespace core
