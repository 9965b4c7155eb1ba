#pragma once

#include <QString>

#include <memory>

class QWidget;

namespace app {

// Lets one copy of the program run per user. The first copy is decided at construction; it
// later offers its main window to be raised by copies that start after it.
//
// On Linux a lock file "Zvitnyk.lock" decides the first copy (a lock left behind by a process
// that died is taken over) and the first copy listens on the local socket "Zvitnyk" beside it.
// On Windows a named 4-byte shared block "Zvitnyk" holds the first copy's window handle.
class InstanceGuard
{
public:
    explicit InstanceGuard(const QString& name = QStringLiteral("Zvitnyk"));
    ~InstanceGuard();

    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    bool isFirst() const { return m_first; }

    // Why this copy cannot start at all (a guard folder that is not the user's own, a lock file
    // that cannot be made); empty when it can. Neither first nor later copy then.
    const QString& failure() const { return m_failure; }

    // A later copy: asks the first copy to bring its main window to the front. False when
    // nobody answered (the first copy may still be starting); the caller ends either way.
    bool raiseFirst(int timeoutMs = 1000);

    // The first copy, once its main window exists: from now on a later copy raises it.
    // False when the raise channel could not be opened; the program runs on without it.
    bool listen(QWidget* mainWindow);

    // Where the lock and the socket live: $XDG_RUNTIME_DIR, else the folder "zvitnyk" in the
    // user's cache folder under the home, which no other user can create.
    static QString directory();

    // Makes sure the folder is the user's own and closed to everybody else, creating the
    // per-user folder (mode 0700) when it is missing. Empty when it
    // is fit for the guard, else the reason it is not, for the user.
    static QString prepareDirectory(const QString& dir);

private:
    class Backend;
    std::unique_ptr<Backend> m_backend;
    bool m_first = false;
    QString m_failure;
};

// Brings a window to the front: shown, un-minimised, raised and activated.
void bringToFront(QWidget* window);

} // namespace app
