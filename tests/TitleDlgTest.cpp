#include "app/TitleDlg.h"
#include "app/ShadowLabel.h"
#include "support/FormTable.h"

#include <QLabel>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>

TEST(TitleDlgTest, SplashLayout)
{
    app::TitleDlg splash;
    // On screen, painted, before the start-up goes on and keeps the event loop busy.
    ASSERT_TRUE(splash.showAtOnce());
    EXPECT_TRUE(splash.windowHandle()->isExposed());
    EXPECT_EQ(splash.size(), QSize(241, 108));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    // The panel reaches 5 pixels below the window, so its lower bevel is not seen.
    EXPECT_EQ(splash.Label3->text(), "1.0");
    testsupport::expectAsInTable(&splash, QSize(241, 108), app::TitleDlg::formItems());
    EXPECT_LT(splash.Label1->geometry().right(), splash.Label3->x()) << "Version runs into 1.0";
    EXPECT_LE(splash.Label2->geometry().right(), 241);
    const QRect screen = splash.screen()->availableGeometry();
    EXPECT_LE((splash.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}
