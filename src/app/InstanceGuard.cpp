#include "app/InstanceGuard.h"

#include <QWidget>

#ifdef _WIN32
#include "app/InstanceBlockWin.h"
#else
#include "core/Clock.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace app {

namespace {

// What a later copy says, and what the first copy answers once the window is in front. On
// Wayland a window comes forward only with an activation token from the compositor, which the
// desktop gives the copy it starts (XDG_ACTIVATION_TOKEN): a later copy hands its token on,
// "raise <token>", and the first copy activates its window with it.
constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseDone[] = "ok\n";
constexpr int kMaxToken = 255;

#ifndef _WIN32
// A token as the compositor makes them: visible ASCII, no blanks.
bool isToken(const QByteArray& token)
{
    if (token.isEmpty() || token.size() > kMaxToken)
        return false;
    return std::all_of(token.begin(), token.end(), [](char c) { return c > 0x20 && c < 0x7f; });
}
#endif

#ifndef _WIN32
// A later copy says its one line at once; a connection silent for this long is let go, and no
// more than this many are held at a time, so that idle connections cannot pile up.
constexpr int kSilentMs = 1000;
constexpr int kMaxClients = 8;
#endif

} // namespace

void bringToFront(QWidget* window)
{
    if (!window)
        return;
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

#ifdef _WIN32

class InstanceGuard::Backend
{
public:
    explicit Backend(const QString& name) : block(name.toStdString()) {}
    win::InstanceBlock block;
};

InstanceGuard::InstanceGuard(const QString& name) : m_backend(std::make_unique<Backend>(name))
{
    m_first = m_backend->block.isFirst();
}

InstanceGuard::~InstanceGuard() = default;

bool InstanceGuard::raiseFirst(int)
{
    return m_backend->block.raiseStored();
}

bool InstanceGuard::listen(QWidget* mainWindow)
{
    if (!mainWindow)
        return false;
    m_backend->block.storeHandle(static_cast<std::uintptr_t>(mainWindow->winId()));
    return true;
}

QString InstanceGuard::directory()
{
    return QString();
}

QString InstanceGuard::prepareDirectory(const QString&)
{
    return QString();
}

#else

class InstanceGuard::Backend
{
public:
    explicit Backend(const QString& name)
        : lockFile(QDir(directory()).filePath(name + QStringLiteral(".lock"))),
          socketPath(QDir(directory()).filePath(name))
    {
        // Only a dead owner makes a lock stale: age alone must never hand a running copy's
        // lock to a second one, however long the first has been running.
        lockFile.setStaleLockTime(0);
    }

    QLockFile lockFile;
    QString socketPath;
    QLocalServer server;
    QWidget* window = nullptr;
    int clients = 0; // connections held at this moment
};

namespace {

QString cannotStart(const QString& reason)
{
    return QStringLiteral("Програму не вдалося запустити: %1").arg(reason);
}

// Why nothing can be written in the folder, in the system's words; empty when a small file can.
QString writeFailureIn(const QString& dir)
{
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral("probe-XXXXXX")));
    if (!probe.open())
        return probe.errorString();
    if (probe.write(QByteArray(512, 'x')) != 512 || !probe.flush())
        return probe.errorString();
    return QString();
}

// True when a living copy of the program holds the lock. The lock file names its owner's
// process and program; a file that names none (empty, garbage, or not readable by us) is
// given a moment, since a copy that has just created it may still be writing it.
bool heldByLivingCopy(QLockFile& lock, const QString& path)
{
    QFileInfo info(path);
    if (info.exists() && info.ownerId() != ::geteuid())
        return false; // not ours: no copy of this user's program made it
    for (int attempt = 0; attempt < 10; ++attempt) {
        qint64 pid = 0;
        QString host, program;
        if (lock.getLockInfo(&pid, &host, &program))
            return true; // readable and, as tryLock found, not stale: its owner runs
        if (!QFileInfo::exists(path))
            return false;
        core::clock().sleepFor(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

InstanceGuard::InstanceGuard(const QString& name) : m_backend(std::make_unique<Backend>(name))
{
    const QString dir = directory();
    m_failure = prepareDirectory(dir);
    if (!m_failure.isEmpty())
        return;
    QLockFile& lock = m_backend->lockFile;
    const QString lockPath = QDir(dir).filePath(name + QStringLiteral(".lock"));
    // tryLock takes over a lock whose owner no longer runs (QLockFile checks the process id
    // and the program name); a live owner keeps it, so exactly one copy gets here first.
    m_first = lock.tryLock(0);
    if (!m_first && lock.error() == QLockFile::LockFailedError &&
        !heldByLivingCopy(lock, lockPath)) {
        // A lock nobody holds: an empty or garbage file, or another user's. Taken over under a
        // second lock, so that two copies starting together never both remove and take it.
        QLockFile takeover(lockPath + QStringLiteral(".takeover"));
        if (takeover.tryLock(3000)) {
            if (!heldByLivingCopy(lock, lockPath))
                QFile::remove(lockPath);
            m_first = lock.tryLock(0);
        }
    }
    if (!m_first && lock.error() != QLockFile::LockFailedError) {
        QString reason = writeFailureIn(dir);
        if (reason.isEmpty())
            reason = QStringLiteral("немає доступу");
        m_failure = cannotStart(QStringLiteral("не вдалося створити файл %1 (%2)")
                                    .arg(QDir::toNativeSeparators(lockPath), reason));
    }
}

InstanceGuard::~InstanceGuard()
{
    if (m_first) {
        m_backend->server.close();
        // The socket goes only while we still hold the lock, so we never remove the socket of
        // a copy that started after us.
        QFile::remove(m_backend->socketPath);
        m_backend->lockFile.unlock();
    }
}

bool InstanceGuard::raiseFirst(int timeoutMs)
{
    if (m_first)
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_backend->socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    socket.write(isToken(token) ? "raise " + token + '\n' : QByteArray(kRaiseRequest));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(timeoutMs))
        answer += socket.readAll();
    socket.disconnectFromServer();
    return answer == kRaiseDone;
}

bool InstanceGuard::listen(QWidget* mainWindow)
{
    if (!m_first || !mainWindow)
        return false;
    Backend& b = *m_backend;
    b.window = mainWindow;
    // We hold the lock, so a socket file left here belongs to a copy that died.
    QLocalServer::removeServer(b.socketPath);
    b.server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!b.server.listen(b.socketPath))
        return false;
    ::chmod(QFile::encodeName(b.socketPath).constData(), S_IRUSR | S_IWUSR);
    QObject::connect(&b.server, &QLocalServer::newConnection, &b.server, [&b] {
        while (QLocalSocket* client = b.server.nextPendingConnection()) {
            if (b.clients >= kMaxClients) {
                client->abort();
                client->deleteLater();
                continue;
            }
            ++b.clients;
            QObject::connect(client, &QObject::destroyed, &b.server, [&b] { --b.clients; });
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QTimer::singleShot(kSilentMs, client, [client] {
                client->abort();
                client->deleteLater();
            });
            QObject::connect(client, &QLocalSocket::readyRead, client, [&b, client] {
                constexpr int longest = 8 + kMaxToken;
                if (!client->canReadLine() && client->bytesAvailable() < longest)
                    return;
                // Anything but the one request is ignored and the caller is let go.
                const QByteArray request = client->readLine(longest);
                const QByteArray token = request.startsWith("raise ") && request.endsWith('\n')
                                             ? request.mid(6).chopped(1)
                                             : QByteArray();
                if ((request == kRaiseRequest || isToken(token)) && b.window) {
                    // Read by the window system as the window is activated, and gone after it:
                    // no program started later may come forward with it.
                    if (!token.isEmpty())
                        qputenv("XDG_ACTIVATION_TOKEN", token);
                    bringToFront(b.window);
                    qunsetenv("XDG_ACTIVATION_TOKEN");
                    client->write(kRaiseDone);
                    client->flush();
                }
                client->disconnectFromServer();
            });
        }
    });
    return true;
}

QString InstanceGuard::directory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    // Not the temporary directory: anyone may create a folder there under any name first, and
    // the user's copy would then never start. Under the home only the user can.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
        .filePath(QStringLiteral("zvitnyk"));
}

QString InstanceGuard::prepareDirectory(const QString& dir)
{
    const QByteArray native = QFile::encodeName(dir);
    QDir().mkpath(QFileInfo(dir).absolutePath()); // the cache folder of a new home
    // In the shared temporary directory anyone may have made the folder first; mkdir never
    // takes over what is there, and what is there is checked below.
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno != EEXIST)
        return cannotStart(
            QStringLiteral("не вдалося створити теку %1 (%2)")
                .arg(QDir::toNativeSeparators(dir), QString::fromLocal8Bit(std::strerror(errno))));
    struct stat st
    {
    };
    // Not following a link: a link planted in its place may point anywhere.
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return cannotStart(QStringLiteral("тека %1 не належить вам або відкрита іншим "
                                          "користувачам")
                               .arg(QDir::toNativeSeparators(dir)));
    return QString();
}

#endif

} // namespace app
