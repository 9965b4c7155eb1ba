#include "app/MessageBoxSink.h"
#include "core/Messages.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

// A preview is a window of its own beside the modal dialog that owns it. Its outcome is said
// over it even while the dialog is the active window (as after a progress window closed), so
// that the dialog does not come up in front of the preview; without an owner, over the active
// window.
TEST(MessageOwnerTest, BoxesStandOverTheWindowWhoseCommandRaisedThem)
{
    QDialog dialog;
    dialog.setModal(true);
    dialog.show();
    QWidget preview(&dialog, Qt::Window);
    preview.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    app::MessageBoxSink sink;
    const auto parentOfNextBox = [&](const std::function<void()>& show) {
        QWidget* parent = nullptr;
        QTimer::singleShot(0, [&parent] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                parent = box->parentWidget();
                box->close();
            }
        });
        show();
        return parent;
    };
    EXPECT_EQ(parentOfNextBox([&] { sink.showMessage("x"); }), &dialog);
    {
        const core::MessageOwner owner(&preview);
        EXPECT_EQ(parentOfNextBox([&] { sink.showMessage("x"); }), &preview);
        EXPECT_EQ(parentOfNextBox([&] { sink.showError("x"); }), &preview);
    }
    EXPECT_EQ(core::MessageOwner::current(), nullptr);
}
