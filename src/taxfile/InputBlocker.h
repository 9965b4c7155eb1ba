#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace taxfile {

// While it lives, what the user does to the program's windows open at its creation (keys, mouse,
// wheel, the window's close box) is dropped, not queued: a long run that keeps the event loop
// busy must not find, when it ends, a queue of presses that close the dialog or the program.
// Windows opened meanwhile (a message box) take input as usual; painting goes on. pump() lets
// the windows repaint during the run; the destructor drops what came in since.
class InputBlocker final : public QObject
{
public:
    InputBlocker();
    ~InputBlocker() override;
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

    // Handles what is pending now: paints, and the input that is dropped.
    static void pump();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool blocks(QObject* watched) const;

    QList<QPointer<QWidget>> m_windows;
};

} // namespace taxfile
