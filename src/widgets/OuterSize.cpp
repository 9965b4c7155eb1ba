#include "widgets/OuterSize.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace widgets {

namespace {

FrameSource& defaultFrameSource()
{
    static FrameSource source;
    return source;
}

FrameSource frameOr(FrameSource frame)
{
    if (frame)
        return frame;
    if (defaultFrameSource())
        return defaultFrameSource();
    return [](const QWidget* w) {
        return w->windowHandle() ? w->windowHandle()->frameMargins() : QMargins();
    };
}

class OuterSizeKeeper final : public QObject
{
public:
    OuterSizeKeeper(QWidget* window, QSize outer, FrameSource frame, bool centreAtShow)
        : QObject(window), m_window(window), m_outer(outer), m_frame(std::move(frame)),
          m_centreAtShow(centreAtShow)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            if (!m_shown) {
                m_shown = true;
                // Where the frame is known at once (or never comes), this is the moment.
                QTimer::singleShot(0, this, [this] {
                    if (!fit() && m_centreAtShow)
                        centreOnScreen(m_window);
                });
            }
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            // The window manager moves the window into its frame once it has made one, or, where
            // the window keeps its place (static gravity), at least activates it.
            if (m_shown && !m_fitted)
                QTimer::singleShot(0, this, [this] { fit(); });
            break;
        default:
            break;
        }
        Q_UNUSED(watched);
        return false;
    }

private:
    // Sizes the client area to the outer size less the frame, once the frame is known.
    bool fit()
    {
        if (m_fitted)
            return true;
        const QMargins margins = m_frame(m_window);
        if (margins.isNull())
            return false;
        m_fitted = true;
        const QSize client = m_outer.shrunkBy(margins);
        if (m_window->minimumSize() == m_window->maximumSize())
            m_window->setFixedSize(client);
        else
            m_window->resize(client);
        centreOnScreen(m_window);
        return true;
    }

    QWidget* m_window;
    QSize m_outer;
    FrameSource m_frame;
    bool m_centreAtShow;
    bool m_shown = false;
    bool m_fitted = false;
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

void setOuterSize(QWidget* window, QSize outer, FrameSource frame)
{
    window->resize(outer);
    centreOnScreen(window);
    window->installEventFilter(new OuterSizeKeeper(window, outer, frameOr(std::move(frame)), true));
}

void keepOuterSize(QWidget* window, QSize outer, FrameSource frame)
{
    window->installEventFilter(
        new OuterSizeKeeper(window, outer, frameOr(std::move(frame)), false));
}

void setDefaultFrameSource(FrameSource frame)
{
    defaultFrameSource() = std::move(frame);
}

} // namespace widgets
