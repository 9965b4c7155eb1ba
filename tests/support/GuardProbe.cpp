// A process that starts the way the program does as far as the single-instance guard goes, and
// says on stdout what happened: "first", "later raised" / "later silent", and "raised" (or
// "raised with <activation token>") when a later copy brought its window forward, or "cannot start: <reason>" and code 1. "quit" on
// stdin ends it normally.
#include "app/InstanceGuard.h"

#include <QApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class ProbeWindow final : public QWidget
{
protected:
    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized)) {
            // With the activation token a later copy handed on, as the window system reads it
            // while the window comes forward.
            const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
            say(token.isEmpty() ? "raised" : ("raised with " + token).constData());
            // Minimised again, so that the next raise shows as well.
            QTimer::singleShot(0, this, [this] { showMinimized(); });
        }
        QWidget::changeEvent(event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    app::InstanceGuard guard;
    if (!guard.failure().isEmpty()) {
        say(("cannot start: " + guard.failure()).toUtf8().constData());
        return 1;
    }
    if (!guard.isFirst()) {
        QCoreApplication quiet(argc, argv);
        say(guard.raiseFirst() ? "later raised" : "later silent");
        return 0;
    }
    QApplication application(argc, argv);
    ProbeWindow window;
    window.showMinimized();
    if (!guard.listen(&window)) {
        say("no channel");
        return 2;
    }
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        char buffer[64];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0 || QByteArray(buffer, int(n)).contains("quit"))
            application.quit();
    });
    say("first");
    return application.exec();
}
