#include "report/PrintReturn.h"
#include "app/StartUp.h"
#include "bands/ReportLayout.h"
#include "report/PreviewWindow.h"
#include "settings/SettingsSource.h"
#include "support/FakeAsker.h"
#include "support/PdfWords.h"
#include "support/RecordingMessageSink.h"
#include "support/ScopedEnvironment.h"
#include "support/TaxFileBuilder.h"
#include "taxfile/RadioGroup.h"
#include "taxfile/Report1Dlg.h"
#include "taxformat/TaxFileName.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using report::PreviewWindow;

// Looks for the modal dialog about to be shown, without blocking, and hands it to `act`; a
// dialog still open five seconds later is a failure and is closed, so that no test hangs.
template <class Dialog> void whenShown(std::function<void(Dialog*)> act)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, act] {
        auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!d) {
            if (++*tries > 1000) {
                ADD_FAILURE() << "no dialog";
                poll->deleteLater();
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        QPointer<Dialog> open = d;
        QTimer::singleShot(5000, [open] {
            if (open && open->isVisible()) {
                ADD_FAILURE() << "the dialog stayed open";
                open->reject();
            }
        });
        act(d);
    });
    poll->start();
}

class PrintReturnTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        taxformat::TaxFileName() = "DA071401.3";
        testsupport::writeTaxFile(m_temp.path(), taxformat::TaxFileName(),
                                  testsupport::taxReturn(35));
        const char* values[][2] = {{"NameBoss", "Петренко"},
                                   {"TellBoss", "2-34-56"},
                                   {"NameShief", "Іваненко"},
                                   {"TellShief", "2-34-57"},
                                   {"codk1", "1111111111"}};
        for (const auto& v : values)
            m_settings.set(QString::fromUtf8(v[0]), QString::fromUtf8(v[1]));
        m_dlg = std::make_unique<taxfile::Report1Dlg>(m_settings, m_asker);
        app::StartUp::wireReportDialog(*m_dlg, m_settings);
        m_dlg->setTempDirectory(m_temp.path() + '/');
        report::setPreviewObserver([this](PreviewWindow* p) {
            m_previews.append(p);
            if (m_onPreview)
                m_onPreview(p);
            else
                QTimer::singleShot(0, p, &QWidget::close);
        });
    }
    void TearDown() override
    {
        report::setPreviewObserver(nullptr);
        taxformat::TaxFileName().clear();
    }

    // The text of an item of the form the last preview showed.
    QString shown(const char* key) const { return m_texts.value(QString::fromLatin1(key)); }
    void rememberTexts(PreviewWindow* p)
    {
        for (const char* key : {"QRLabel6", "QRLabel7", "QRLabel30", "QRLabel12", "QRLabel18",
                                "QRLabel25", "QRLabel23", "QRLabel26", "QRLabel24", "QRLabel27"})
            m_texts[key] = p->layout().definition().item(key)->text;
    }

    QTemporaryDir m_temp;
    settings::MapSettings m_settings;
    testsupport::FakeAsker m_asker;
    testsupport::RecordingMessageSink m_sink;
    std::unique_ptr<taxfile::Report1Dlg> m_dlg;
    QList<QPointer<PreviewWindow>> m_previews;
    std::function<void(PreviewWindow*)> m_onPreview;
    QHash<QString, QString> m_texts;
};

TEST_F(PrintReturnTest, TheDialogsChoicesReachTheForm)
{
    m_onPreview = [this](PreviewWindow* p) {
        rememberTexts(p);
        QTimer::singleShot(0, p, &QWidget::close);
    };
    const struct
    {
        const char* staff;
        const char* partTime;
        int wuser;
        int kwartal;
        const char* year;
        const char* sum;
        const char* period;
    } cases[] = {
        {"3", "2", 0, 2, "1999", "5", "3 квартал 1999р."},
        {"05", "0", 1, 0, "2001", "5", "1 квартал 2001р."},
        {"0", "0", 0, 3, "2001", "0", "4 квартал 2001р."},
        {"1", "1", 1, 1, "1999", "2", "2 квартал 1999р."},
    };
    for (const auto& c : cases) {
        m_dlg->Edit1->setText(QString::fromUtf8(c.staff));
        m_dlg->Edit2->setText(QString::fromUtf8(c.partTime));
        m_dlg->WUser->setItemIndex(c.wuser);
        m_dlg->Kwartal->setItemIndex(c.kwartal);
        m_dlg->ZYear->setCurrentText(QString::fromUtf8(c.year));
        m_dlg->Button2Click();
        EXPECT_EQ(shown("QRLabel6"), QString::fromUtf8(c.staff));
        EXPECT_EQ(shown("QRLabel7"), QString::fromUtf8(c.partTime));
        EXPECT_EQ(shown("QRLabel30"), QString::fromUtf8(c.sum));
        EXPECT_EQ(shown("QRLabel12"), QString::fromUtf8(c.period));
        const bool legal = c.wuser == 0;
        EXPECT_EQ(shown("QRLabel18"), legal ? "Петренко" : "");
        EXPECT_EQ(shown("QRLabel24"), legal ? "" : "Петренко");
        EXPECT_EQ(shown("QRLabel27"), legal ? "" : "2-34-56");
    }
    EXPECT_EQ(m_previews.size(), 4);
    EXPECT_TRUE(m_sink.errors.isEmpty()) << m_sink.errors.join('|').toStdString();
}

TEST_F(PrintReturnTest, FailuresShowTheirMessageAndNoPreview)
{
    m_dlg->Edit1->setText("abc");
    m_dlg->Button2Click();
    EXPECT_EQ(m_sink.errors, QStringList{"'abc' is not a valid integer value."});

    m_dlg->Edit1->setText("1");
    QFile::remove(m_temp.filePath(taxformat::TaxFileName()));
    m_dlg->Button2Click();
    ASSERT_EQ(m_sink.errors.size(), 2);
    EXPECT_TRUE(m_sink.errors[1].startsWith("Cannot open file")) << m_sink.errors[1].toStdString();
    EXPECT_TRUE(m_sink.errors[1].endsWith("it does not exist.")) << m_sink.errors[1].toStdString();
    EXPECT_TRUE(m_previews.isEmpty());
}

class NestedPreviewTest : public PrintReturnTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(NestedPreviewTest, ASecondPreviewOpensInsideTheFirstsWaitAndEitherClosesFirst)
{
    const bool innerFirst = GetParam();
    bool innerReturned = false;
    m_onPreview = [&](PreviewWindow* p) {
        EXPECT_TRUE(p->isVisible());
        if (m_previews.size() == 1) {
            // The dialog stays usable while the first preview waits.
            QTimer::singleShot(0, m_dlg.get(), [&] {
                m_dlg->Button2Click();
                innerReturned = true;
            });
            return;
        }
        QPointer<PreviewWindow> outer = m_previews[0];
        QPointer<PreviewWindow> inner = p;
        QTimer::singleShot(0, [=] { (innerFirst ? inner : outer)->close(); });
        QTimer::singleShot(10, [=] { (innerFirst ? outer : inner)->close(); });
    };
    m_dlg->show();
    m_dlg->Button2Click();
    EXPECT_TRUE(innerReturned);
    ASSERT_EQ(m_previews.size(), 2);
    EXPECT_TRUE(m_previews[0].isNull());
    EXPECT_TRUE(m_previews[1].isNull());
    EXPECT_TRUE(m_sink.errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(CloseOrder, NestedPreviewTest, ::testing::Bool());

TEST_F(PrintReturnTest, ClosingTheDialogClosesItsPreviews)
{
    m_onPreview = [this](PreviewWindow*) {
        QTimer::singleShot(0, m_dlg.get(), [this] { m_dlg->reject(); });
    };
    m_dlg->show();
    m_dlg->Button2Click();
    ASSERT_EQ(m_previews.size(), 1);
    EXPECT_TRUE(m_previews[0].isNull());
    EXPECT_FALSE(m_dlg->isVisible());
}

TEST_F(PrintReturnTest, PreviewMovesBetweenPagesPrintsAndSavesTheSamePages)
{
    // A home of its own, with its documents folder.
    QDir(m_temp.path()).mkpath("home/Documents");
    const testsupport::EnvironmentVariable home("HOME", QFile::encodeName(m_temp.filePath("home")));
    const testsupport::EnvironmentVariable config(
        "XDG_CONFIG_HOME", QFile::encodeName(m_temp.filePath("home/.config")));
    const QString typed = m_temp.filePath("typed.pdf");
    const QString printed = m_temp.filePath("printed.pdf");
    m_onPreview = [&](PreviewWindow* p) {
        QTimer::singleShot(0, p, [&, p] {
            EXPECT_TRUE(p->windowState() & Qt::WindowMaximized);
            for (QAction* a : p->toolBar()->actions()) {
                if (!a->isSeparator()) {
                    EXPECT_FALSE(a->toolTip().isEmpty()) << a->text().toStdString();
                }
            }
            EXPECT_EQ(p->pageLabel()->text(), "Сторінка 1 з 2");
            p->lastPage();
            EXPECT_EQ(p->pageLabel()->text(), "Сторінка 2 з 2");
            p->previousPage();
            EXPECT_EQ(p->currentPage(), 1);
            p->nextPage();
            p->nextPage();
            EXPECT_EQ(p->currentPage(), 2);
            p->firstPage();
            EXPECT_EQ(p->pageLabel()->text(), "Сторінка 1 з 2");
            p->zoomActualSize();
            p->zoomPageWidth();
            p->zoomWholePage();

            // Cancelling the printer setup changes nothing.
            const report::PrintChoices before = p->printChoices();
            whenShown<QPrintDialog>([](QPrintDialog* d) { d->reject(); });
            p->printerSetup();
            EXPECT_EQ(p->printChoices().printerName, before.printerName);
            EXPECT_EQ(p->printChoices().copies, 1);
            EXPECT_EQ(p->printChoices().toPage, 2);

            p->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(p));
            // Ctrl+S proposes <tax file>.pdf in the documents folder; a typed path + Enter.
            whenShown<QFileDialog>([&](QFileDialog* d) {
                EXPECT_EQ(QFileInfo(d->selectedFiles().value(0)).fileName(), "DA071401.3.pdf");
                EXPECT_EQ(d->directory().absolutePath(),
                          QDir(m_temp.filePath("home/Documents")).absolutePath());
                auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
                ASSERT_NE(edit, nullptr);
                edit->clear();
                QTest::keyClicks(edit, typed);
                // Enter first closes the completer's list where one popped up.
                for (int i = 0; i < 3 && d->isVisible(); ++i) {
                    QWidget* popup = QApplication::activePopupWidget();
                    QTest::keyClick(popup ? popup : static_cast<QWidget*>(edit), Qt::Key_Return);
                }
            });
            QTest::keySequence(p, QKeySequence(Qt::CTRL | Qt::Key_S));

            report::PrintChoices toFile = p->printChoices();
            toFile.outputFileName = printed;
            p->setPrintChoices(toFile);
            p->print();
            p->print(); // as many times as wanted
            p->close();
        });
    };
    m_dlg->Button2Click();
    EXPECT_TRUE(m_sink.errors.isEmpty()) << m_sink.errors.join('|').toStdString();
    const auto saved = testsupport::readPdfWords(typed);
    const auto fromPrinter = testsupport::readPdfWords(printed);
    ASSERT_TRUE(saved.error.isEmpty()) << saved.error.toStdString();
    ASSERT_TRUE(fromPrinter.error.isEmpty()) << fromPrinter.error.toStdString();
    ASSERT_GT(saved.words.size(), 100u);
    ASSERT_EQ(saved.words.size(), fromPrinter.words.size());
    for (std::size_t i = 0; i < saved.words.size(); ++i) {
        EXPECT_EQ(saved.words[i].text, fromPrinter.words[i].text);
        EXPECT_EQ(saved.words[i].page, fromPrinter.words[i].page);
        EXPECT_NEAR(saved.words[i].left, fromPrinter.words[i].left, 0.1);
        EXPECT_NEAR(saved.words[i].top, fromPrinter.words[i].top, 0.1);
    }
    EXPECT_EQ(QFile::permissions(typed) & (QFile::ReadOther | QFile::ReadGroup), 0);
}

} // namespace
