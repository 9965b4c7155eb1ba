#include "app/TitleDlg.h"
#include "app/ShadowLabel.h"

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
    EXPECT_EQ(splash.Panel1->geometry(), QRect(0, 0, 241, 113));
    EXPECT_EQ(splash.WebLabel->geometry(), QRect(16, 8, 201, 33));
    EXPECT_EQ(splash.WebLabel->text(), "Форма 4ВТ");
    EXPECT_TRUE(splash.WebLabel->font().bold());
    EXPECT_EQ(splash.Label1->text(), "Version");
    EXPECT_EQ(splash.Label3->text(), "1.0");
    EXPECT_EQ(splash.Label3->pos(), QPoint(112, 48));
    EXPECT_LT(splash.Label1->geometry().right(), splash.Label3->x()) << "Version runs into 1.0";
    EXPECT_LE(splash.Label2->geometry().right(), 241);
    const QRect screen = splash.screen()->availableGeometry();
    EXPECT_LE((splash.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}
