#include "report/PreviewWindow.h"
#include "bands/ReportLayout.h"
#include "core/Messages.h"
#include "report/PageView.h"
#include "report/Zvit1Dlg.h"
#include "support/RecordingMessageSink.h"
#include "support/TaxFileBuilder.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

namespace {

using report::PreviewWindow;

// A return of three pages (30, 59 and 14 lines) and previews of it.
class PreviewWindowTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        testsupport::writeTaxFile(s_dir->path(), "DA071401.3", testsupport::taxReturn(100));
        s_form = new report::Zvit1Dlg;
        s_form->openTable(s_dir->path() + '/', "DA071401.3");
        s_layout = new bands::ReportLayout(s_form->QuickRep1, s_form->source());
    }
    static void TearDownTestSuite()
    {
        delete s_layout;
        delete s_form;
        delete s_dir;
    }

    std::unique_ptr<PreviewWindow> open()
    {
        auto p = std::make_unique<PreviewWindow>(*s_layout, "DA071401.3");
        p->resize(900, 700);
        p->show();
        p->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(p.get()));
        return p;
    }

    // What pdfinfo says of a PDF, "Key: value" per line, or its metadata stream.
    static QString pdfInfo(const QString& path, const QString& option = QString())
    {
        QProcess p;
        p.start("pdfinfo", option.isEmpty() ? QStringList{path} : QStringList{option, path});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline report::Zvit1Dlg* s_form = nullptr;
    static inline bands::ReportLayout* s_layout = nullptr;
    testsupport::RecordingMessageSink m_sink;
};

void wheel(QWidget* view, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget* target = static_cast<report::PageView*>(view)->viewport();
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
}

TEST_F(PreviewWindowTest, KeysAndTheWheelTurnPagesZoomReachTheToolbarAndClose)
{
    auto p = open();
    ASSERT_EQ(p->pageCount(), 3);
    report::PageView* view = p->view();
    EXPECT_TRUE(view->hasFocus());
    // The whole page is shown: every key moves a whole page.
    const struct
    {
        QKeyCombination key;
        int page;
    } keys[] = {{Qt::Key_PageDown, 2},
                {Qt::Key_Space, 3},
                {Qt::Key_PageDown, 3},
                {Qt::Key_PageUp, 2},
                {Qt::SHIFT | Qt::Key_Space, 1},
                {Qt::Key_End, 3},
                {Qt::Key_Home, 1},
                {Qt::CTRL | Qt::Key_End, 3},
                {Qt::CTRL | Qt::Key_Home, 1}};
    for (const auto& k : keys) {
        QTest::keyClick(view, k.key.key(), k.key.keyboardModifiers());
        EXPECT_EQ(p->currentPage(), k.page) << QKeySequence(k.key).toString().toStdString();
    }
    EXPECT_EQ(p->pageLabel()->text(), "Сторінка 1 з 3");

    // At the page's width the sheet is taller than the window: the wheel scrolls it, and turns
    // the page only at its end, coming back to the previous one at its bottom.
    p->zoomPageWidth();
    QScrollBar* bar = view->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    wheel(view, -120);
    EXPECT_EQ(p->currentPage(), 1);
    EXPECT_GT(bar->value(), 0);
    bar->setValue(bar->maximum());
    wheel(view, -60); // half a notch of a touchpad turns nothing yet
    EXPECT_EQ(p->currentPage(), 1);
    wheel(view, -60);
    EXPECT_EQ(p->currentPage(), 2);
    EXPECT_EQ(bar->value(), 0);
    wheel(view, 120);
    EXPECT_EQ(p->currentPage(), 1);
    EXPECT_EQ(bar->value(), bar->maximum());
    // PgDn at the bottom of a page goes on to the next.
    QTest::keyClick(view, Qt::Key_PageDown);
    EXPECT_EQ(p->currentPage(), 2);

    const double width = view->zoomFactor();
    QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(view->zoomFactor(), width * 1.2);
    QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_LT(view->zoomFactor(), width * 0.9);
    wheel(view, 120, Qt::ControlModifier);
    EXPECT_NEAR(view->zoomFactor(), width, 0.01);

    // Tab leaves the page for the toolbar's commands; Space there runs the command.
    QTest::keyClick(view, Qt::Key_Tab);
    auto* button = qobject_cast<QToolButton*>(QApplication::focusWidget());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->parentWidget(), static_cast<QWidget*>(p->toolBar()));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(p->isVisible());
    auto second = open();
    QTest::keyClick(second->view(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(second->isVisible());
}

TEST_F(PreviewWindowTest, PreviewsOfTheSameReportOpenAtOnceHaveTheirOwnCaptions)
{
    auto first = std::make_unique<PreviewWindow>(*s_layout, "DA071401.3");
    auto second = std::make_unique<PreviewWindow>(*s_layout, "DA071401.3");
    EXPECT_EQ(first->windowTitle(), "Перегляд звіту DA071401.3");
    EXPECT_EQ(second->windowTitle(), "Перегляд звіту DA071401.3 (2)");
    first.reset();
    // The number of a closed preview is free again; the one still open keeps its own.
    EXPECT_EQ(PreviewWindow(*s_layout, "DA071401.3").windowTitle(), "Перегляд звіту DA071401.3");
    EXPECT_EQ(PreviewWindow(*s_layout, "DA071402.3").windowTitle(), "Перегляд звіту DA071402.3");
}

TEST_F(PreviewWindowTest, WithoutAPrinterPrintingPointsToThePdfAndSetupOnlyKeepsTheChoice)
{
    auto p = open();
    QString confirm;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        auto* buttons = d->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        confirm = buttons->button(QDialogButtonBox::Ok)->text();
        d->reject();
    });
    p->printerSetup();
    EXPECT_EQ(confirm, PreviewWindow::setupConfirmText());

    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    p->print();
    EXPECT_EQ(m_sink.errors, QStringList{core::errorBoxText(PreviewWindow::noPrinterText())});
    EXPECT_TRUE(PreviewWindow::noPrinterText().contains("«Зберегти у PDF»"));
}

TEST_F(PreviewWindowTest, PdfsAreArchivalAndTitledWithTheTaxFileAndAPrintToFileSaysWhere)
{
    auto p = open();
    const QString saved = s_dir->filePath("saved.pdf");
    p->writePdf(saved);
    const QString info = pdfInfo(saved);
    EXPECT_TRUE(info.contains(QRegularExpression("Creator:\\s+4vt"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Title:\\s+DA071401.3"))) << info.toStdString();
    // The metadata stream declares PDF/A-1b and carries the same title and creator.
    const QString meta = pdfInfo(saved, "-meta");
    EXPECT_TRUE(meta.contains("pdfaid:part=\"1\" pdfaid:conformance=\"B\"")) << meta.toStdString();
    EXPECT_TRUE(meta.contains(">DA071401.3</rdf:li>")) << meta.toStdString();
    EXPECT_TRUE(meta.contains("CreatorTool=\"4vt\"")) << meta.toStdString();
    QProcess qpdf;
    qpdf.start("qpdf", {"--check", saved});
    ASSERT_TRUE(qpdf.waitForFinished(60000));
    EXPECT_EQ(qpdf.exitCode(), 0) << qpdf.readAllStandardOutput().toStdString();

    const QString printed = s_dir->filePath("printed.pdf");
    report::PrintChoices toFile = p->printChoices();
    toFile.outputFileName = printed;
    p->setPrintChoices(toFile);
    p->print();
    EXPECT_TRUE(m_sink.errors.isEmpty());
    EXPECT_EQ(m_sink.plain, QStringList{"Звіт надруковано у файл «" + printed + "»."});
    EXPECT_TRUE(pdfInfo(printed).contains(QRegularExpression("Title:\\s+DA071401.3")));
}

} // namespace
