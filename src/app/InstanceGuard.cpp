#include "app/InstanceGuard.h"

#include <QWidget>

#ifdef _WIN32
#include "app/InstanceBlockWin.h"
#else
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <sys/stat.h>
#include <unistd.h>
#endif

namespace app {

namespace {

// What a later copy says, and what the first copy answers once the window is in front.
constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseDone[] = "ok\n";

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
};

InstanceGuard::InstanceGuard(const QString& name) : m_backend(std::make_unique<Backend>(name))
{
    QDir().mkpath(directory());
    // tryLock takes over a lock whose owner no longer runs (QLockFile checks the process id
    // and the program name); a live owner keeps it, so exactly one copy gets here first.
    m_first = m_backend->lockFile.tryLock(0);
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
    socket.write(kRaiseRequest);
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
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client, [&b, client] {
                if (!client->canReadLine() && client->bytesAvailable() < 64)
                    return;
                // Anything but the one request is ignored and the caller is let go.
                const QByteArray request = client->readLine(64);
                if (request == kRaiseRequest && b.window) {
                    bringToFront(b.window);
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
    // The temporary directory is shared by all users: keep each user's guard apart, or one
    // user's running copy would stop every other user's start.
    const QString dir =
        QDir(QDir::tempPath()).filePath(QStringLiteral("zvitnyk-%1").arg(::getuid()));
    if (QDir().mkpath(dir))
        ::chmod(QFile::encodeName(dir).constData(), S_IRWXU);
    return dir;
}

#endif

} // namespace app
