#include "widgets/OuterSize.h"

#include <QCoreApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

TEST(WindowPlacementTest, TheOuterSizeHoldsOnceTheWindowManagerTellsItsFrame)
{
    QWidget window;
    QMargins frame; // a window manager frames the window some time after it is shown
    widgets::setOuterSize(&window, QSize(435, 300), [&](const QWidget*) { return frame; });
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(435, 300));
    frame = QMargins(1, 20, 1, 5);
    window.move(window.pos() + QPoint(1, 20));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(433, 275));
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_LE(std::abs(window.geometry().center().x() - screen.center().x()), 1);
}
