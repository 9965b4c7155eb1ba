#include "taxfile/InputBlocker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace taxfile {

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

InputBlocker::InputBlocker()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        m_windows.append(w);
    qApp->installEventFilter(this);
}

InputBlocker::~InputBlocker()
{
    // What arrived while the program was busy is still waiting: let it come and be dropped.
    pump();
    qApp->removeEventFilter(this);
}

void InputBlocker::pump()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

bool InputBlocker::blocks(QObject* watched) const
{
    if (!watched->isWidgetType())
        return false;
    const QWidget* window = static_cast<QWidget*>(watched)->window();
    for (const QPointer<QWidget>& w : m_windows) {
        if (w == window)
            return true;
    }
    return false;
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Close) {
        if (!blocks(watched))
            return false;
        event->ignore(); // a close that is not accepted leaves the window open
        return true;
    }
    if (type == QEvent::ShortcutOverride) {
        if (!blocks(watched))
            return false;
        event->accept(); // taken by the widget: no shortcut fires, and its key press is dropped
        return true;
    }
    return isUserInput(type) && blocks(watched);
}

} // namespace taxfile
