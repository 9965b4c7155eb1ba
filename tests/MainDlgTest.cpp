#include "app/MainDlg.h"
#include "app/AboutDlg.h"
#include "core/Error.h"
#include "support/NextModal.h"
#include "support/RecordingMessageSink.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using testsupport::onNextModal;

// Shows the window and lets the event loop run until its start-up link check has run: the
// window system first puts the window on screen, then the check follows.
void showUntilChecked(app::MainDlg& dlg)
{
    dlg.show();
    for (int round = 0; round < 100 && !dlg.linkChecked(); ++round)
        QCoreApplication::processEvents();
    EXPECT_TRUE(dlg.linkChecked());
}

TEST(MainDlgTest, MenuBarAndActionListAreAsDesigned)
{
    app::MainDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "4ВТ");
    EXPECT_EQ(dlg.MainMenu1->objectName(), "MainMenu1");
    EXPECT_EQ(dlg.menuBar(), dlg.MainMenu1);

    const QList<QAction*> bar = dlg.MainMenu1->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0], dlg.Options);
    EXPECT_EQ(bar[0]->text(), "Настройки");
    EXPECT_EQ(bar[1], dlg.Show1Rep);
    EXPECT_EQ(bar[1]->text(), "Звіт");
    EXPECT_EQ(bar[2]->text(), "&?");
    ASSERT_NE(bar[2]->menu(), nullptr);
    const QList<QAction*> sub = bar[2]->menu()->actions();
    ASSERT_EQ(sub.size(), 2);
    EXPECT_EQ(sub[0], dlg.About);
    EXPECT_EQ(sub[0]->text(), "Про програму");
    EXPECT_EQ(sub[1], dlg.Help);
    EXPECT_EQ(sub[1]->text(), "Інструкція");

    // The action list: order, names and categories.
    QStringList names, categories;
    for (QObject* child : dlg.ActionList1->children()) {
        auto* action = qobject_cast<QAction*>(child);
        ASSERT_NE(action, nullptr);
        names << action->objectName();
        categories << action->property(app::MainDlg::kCategory).toString();
        EXPECT_TRUE(action->shortcuts().isEmpty()) << qPrintable(action->objectName());
    }
    EXPECT_EQ(names, QStringList({"About", "Show1Rep", "Options", "Help"}));
    EXPECT_EQ(categories, QStringList({"Help", "Report", "Options", "Help"}));
    EXPECT_EQ(dlg.ActionList1->objectName(), "ActionList1");
}

TEST(MainDlgTest, WindowIsAResizableCentredFrameOfTheDesignedSize)
{
    app::MainDlg dlg;
    dlg.openLink = [] { return true; };
    dlg.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(435, 300));
    EXPECT_NE(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowSystemMenuHint);
    const QRect screen = dlg.screen()->availableGeometry();
    EXPECT_LE(std::abs(dlg.frameGeometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(dlg.frameGeometry().center().y() - screen.center().y()), 1);
    EXPECT_EQ(dlg.font().pointSize(), 8);
}

TEST(MainDlgTest, LinkIsCheckedOnlyAtTheFirstActivation)
{
    testsupport::RecordingMessageSink sink;
    app::MainDlg dlg;
    int attempts = 0;
    int failures = 0;
    dlg.openLink = [&] {
        ++attempts;
        return true;
    };
    dlg.showLinkFailure = [&] { ++failures; };
    showUntilChecked(dlg);
    EXPECT_EQ(attempts, 1);
    dlg.activateWindow();
    QCoreApplication::processEvents();

    // Back from a modal dialog...
    bool sawAbout = false;
    onNextModal([&](QWidget* modal) { sawAbout = qobject_cast<app::AboutDlg*>(modal); });
    dlg.AboutExecute();
    EXPECT_TRUE(sawAbout);
    dlg.activateWindow();
    QCoreApplication::processEvents();
    // ... and back from elsewhere: minimised, hidden and shown again.
    dlg.showMinimized();
    QCoreApplication::processEvents();
    dlg.showNormal();
    dlg.hide();
    dlg.show();
    dlg.activateWindow();
    QCoreApplication::processEvents();
    dlg.FormActivate();

    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(sink.errors.isEmpty());
}

TEST(MainDlgTest, UnreachableAccountingProgramEndsTheRunAfterTheBox)
{
    testsupport::RecordingMessageSink sink;
    app::MainDlg dlg;
    bool visibleWhileBox = false;
    int boxes = 0;
    dlg.openLink = [] { return false; };
    dlg.showLinkFailure = [&] {
        ++boxes;
        visibleWhileBox = dlg.isVisible();
    };
    // The program's own event loop: it has to end by itself once the box is dismissed.
    bool timedOut = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    watchdog.start(5000);
    QTimer::singleShot(0, &dlg, [&] { dlg.show(); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(visibleWhileBox);
    EXPECT_FALSE(dlg.isVisible());
    dlg.FormActivate();
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(sink.errors.isEmpty());
}

TEST(MainDlgTest, FailingOpenIsReportedAndTreatedAsNoLink)
{
    testsupport::RecordingMessageSink sink;
    QGuiApplication::setQuitOnLastWindowClosed(false);
    app::MainDlg dlg;
    int boxes = 0;
    dlg.openLink = []() -> bool { throw core::Error("Broken pipe"); };
    dlg.showLinkFailure = [&] { ++boxes; };
    showUntilChecked(dlg);
    QGuiApplication::setQuitOnLastWindowClosed(true);
    EXPECT_EQ(sink.errors, QStringList({"Broken pipe."}));
    EXPECT_EQ(boxes, 1);
    EXPECT_FALSE(dlg.isVisible());
}

TEST(MainDlgTest, ARunReopensALostLinkOnceAndShowsTheSameBoxWhenItCannot)
{
    testsupport::RecordingMessageSink sink;
    app::MainDlg dlg;
    int attempts = 0;
    int boxes = 0;
    bool serving = false;
    dlg.openLink = [&] {
        ++attempts;
        return serving;
    };
    dlg.showLinkFailure = [&] { ++boxes; };
    showUntilChecked(dlg); // the start-up check: attempt 1, box 1, window closed
    dlg.show();

    EXPECT_FALSE(dlg.reopenLink());
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(boxes, 2);
    EXPECT_TRUE(dlg.isVisible()) << "a run that finds no link never ends the program";

    serving = true;
    EXPECT_TRUE(dlg.reopenLink());
    EXPECT_EQ(attempts, 3);
    EXPECT_EQ(boxes, 2);
    EXPECT_TRUE(sink.errors.isEmpty());
}

TEST(MainDlgTest, UnwiredDialogsAndFailingCommandsShowTheErrorBoxAndKeepTheWindow)
{
    testsupport::RecordingMessageSink sink;
    app::MainDlg dlg;
    dlg.openLink = [] { return true; };
    dlg.show();
    QCoreApplication::processEvents();
    int optionsShown = 0;
    dlg.showOptions = [&] { ++optionsShown; };
    dlg.showReport = [] { throw core::Error("'x' is not a valid integer value"); };
    dlg.Options->trigger();
    dlg.Options->trigger();
    dlg.Show1Rep->trigger();
    EXPECT_EQ(optionsShown, 2);
    EXPECT_EQ(sink.errors, QStringList({"'x' is not a valid integer value."}));
    EXPECT_TRUE(dlg.isVisible());
}

} // namespace
