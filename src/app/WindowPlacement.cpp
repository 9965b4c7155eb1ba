#include "app/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace app {

namespace {

class OuterSizeKeeper final : public QObject
{
public:
    OuterSizeKeeper(QWidget* window, QSize outer) : QObject(window), m_outer(outer) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !m_done) {
            m_done = true;
            QPointer<QWidget> window = static_cast<QWidget*>(watched);
            const QSize outer = m_outer;
            QTimer::singleShot(0, window, [window, outer] {
                if (!window)
                    return;
                const QSize frame = window->frameGeometry().size() - window->size();
                if (frame.width() > 0 || frame.height() > 0)
                    window->resize(outer - frame);
                centreOnScreen(window);
            });
        }
        return false;
    }

private:
    QSize m_outer;
    bool m_done = false;
};

} // namespace

void centreOnScreen(QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = window->frameGeometry().size();
    window->move(area.x() + (area.width() - frame.width()) / 2,
                 area.y() + (area.height() - frame.height()) / 2);
}

void setOuterSize(QWidget* window, QSize outer)
{
    window->resize(outer);
    centreOnScreen(window);
    window->installEventFilter(new OuterSizeKeeper(window, outer));
}

} // namespace app
