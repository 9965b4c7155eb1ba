#include "taxfile/Report1Dlg.h"
#include "app/StartUp.h"
#include "dbase/Table.h"
#include "report/PreviewWindow.h"
#include "report/PrintReturn.h"
#include "settings/OptionsDlg.h"
#include "settings/QSettingsStore.h"
#include "settings/SettingsSource.h"
#include "support/FakeAsker.h"
#include "support/FitChecks.h"
#include "support/FormTable.h"
#include "support/RecordingMessageSink.h"
#include "support/RunSettings.h"
#include "support/ScopedEnvironment.h"
#include "support/TaxTemplate.h"
#include "taxfile/Gauge.h"
#include "taxfile/RadioGroup.h"
#include "taxformat/TaxFileName.h"
#include "widgets/OuterSize.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

namespace {

using testsupport::FakeAsker;

class Report1DlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testsupport::writeTaxTemplate(m_work.path() + "/DA.DBF"));
        testsupport::setFirmSettings(m_settings);
        m_settings.set("LastWoker", "2");
        m_settings.set("f1", "I&");
        m_settings.set("DestinationA", m_work.path() + "/medium/");
        m_asker.answers = {{"T1", "11"}, {"I1", "100"}, {"T2", "22"}, {"I2", "200"}};
        m_dlg = std::make_unique<taxfile::Report1Dlg>(m_settings, m_asker);
        app::StartUp::wireReportDialog(*m_dlg, m_settings);
        m_dlg->setWorkingDirectory(m_work.path());
        m_dlg->setTempDirectory(m_temp.path() + '/');
    }

    template <class T> T* child(const char* name)
    {
        T* w = m_dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    testsupport::DefaultLocale m_locale{QLocale::c()};
    QTemporaryDir m_work;
    QTemporaryDir m_temp;
    settings::MapSettings m_settings;
    FakeAsker m_asker;
    testsupport::RecordingMessageSink m_sink;
    std::unique_ptr<taxfile::Report1Dlg> m_dlg;
};

QStringList itemTexts(taxfile::RadioGroup* g)
{
    QStringList texts;
    for (QRadioButton* b : g->buttons())
        texts << b->text();
    return texts;
}

} // namespace

TEST_F(Report1DlgTest, StartsWithTheFormsControlsInPlace)
{
    EXPECT_EQ(m_dlg->windowTitle(), "Формування звітів");
    EXPECT_EQ(m_dlg->size(), QSize(440, 296));
    EXPECT_EQ(m_dlg->Nperiod->value(), 1);
    EXPECT_EQ(m_dlg->Nperiod->minimum(), 0); // the empty box
    EXPECT_EQ(m_dlg->Nperiod->maximum(), 99);
    EXPECT_EQ(m_dlg->ZYear->currentText(), "1999");
    EXPECT_EQ(m_dlg->ZYear->count(), 11);
    EXPECT_EQ(m_dlg->ZYear->itemText(10), "2009");
    EXPECT_EQ(m_dlg->ZYear->lineEdit()->maxLength(), 4);
    EXPECT_EQ(itemTexts(m_dlg->WUser), (QStringList{"Юридична особа", "Фізична особа"}));
    EXPECT_EQ(m_dlg->WUser->itemIndex(), 0);
    EXPECT_EQ(itemTexts(m_dlg->Kwartal),
              (QStringList{" І  Квартал", " ІІ Квартал", "ІІІ Квартал", "IV Квартал"}));
    EXPECT_EQ(m_dlg->Kwartal->itemIndex(), 2);
    EXPECT_TRUE(m_dlg->Panel1->isHidden());
    EXPECT_TRUE(m_dlg->Button1->isEnabled());
    EXPECT_FALSE(m_dlg->Button2->isEnabled());
    EXPECT_FALSE(m_dlg->Button4->isEnabled());
    EXPECT_TRUE(m_dlg->Button3->isEnabled());

    EXPECT_EQ(m_dlg->font().pointSize(), 8);

    // The items share the room inside the frame evenly, one below the other, at the left margin.
    for (taxfile::RadioGroup* g : {m_dlg->WUser, m_dlg->Kwartal}) {
        const auto& items = g->buttons();
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i]->x(), 8);
            EXPECT_EQ(items[i]->height(), items[0]->height());
            EXPECT_EQ(items[i]->y(), items[0]->y() + int(i) * items[0]->height());
        }
        EXPECT_LE(g->contentsRect().bottom() - items.back()->geometry().bottom(),
                  int(items.size()));
    }
}

TEST_F(Report1DlgTest, StandsAsItsTableDrawsIt)
{
    m_dlg->show();
    testsupport::expectAsInTable(m_dlg.get(), QSize(440, 296), taxfile::Report1Dlg::formItems());
}

TEST_F(Report1DlgTest, GaugeDrawsItsShareAndRepaintsAtOnce)
{
    struct CountingGauge : taxfile::Gauge
    {
        int paints = 0;
        void paintEvent(QPaintEvent* e) override
        {
            ++paints;
            taxfile::Gauge::paintEvent(e);
        }
    } gauge;
    gauge.resize(409, 28);
    gauge.setMaxValue(200);
    gauge.show();
    QApplication::processEvents();

    auto image = [&] { return gauge.grab().toImage(); };
    EXPECT_EQ(gauge.percentText(), "0%");
    QImage at0 = image();
    EXPECT_EQ(at0.pixelColor(20, 14), QColor(Qt::white));
    EXPECT_EQ(at0.pixelColor(0, 0), QColor(Qt::black)); // the border

    const int before = gauge.paints;
    gauge.setProgress(1); // still 0 %: no repaint
    EXPECT_EQ(gauge.paints, before);
    gauge.setProgress(100);
    EXPECT_EQ(gauge.paints, before + 1); // painted before any event was processed
    EXPECT_EQ(gauge.percentText(), "50%");
    QImage at50 = image();
    EXPECT_EQ(at50.pixelColor(20, 14), QColor(Qt::black));
    EXPECT_EQ(at50.pixelColor(380, 14), QColor(Qt::white));
    // The text sits in the middle, dark on the white half, light on the black one.
    int darkRight = 0, lightLeft = 0;
    for (int x = 170; x < 240; ++x) {
        for (int y = 4; y < 24; ++y) {
            const QColor c = at50.pixelColor(x, y);
            if (x > 205 && c.lightness() < 100)
                ++darkRight;
            if (x < 203 && c.lightness() > 150)
                ++lightLeft;
        }
    }
    EXPECT_GT(darkRight, 5);
    EXPECT_GT(lightLeft, 5);

    gauge.setProgress(500); // kept inside the range
    EXPECT_EQ(gauge.progress(), 200);
    EXPECT_EQ(gauge.percentText(), "100%");
    EXPECT_EQ(image().pixelColor(400, 14), QColor(Qt::black));

    EXPECT_THROW(gauge.setMaxValue(-1), core::Error);
}

TEST_F(Report1DlgTest, AFinishedRunOffersReportAndCopy)
{
    m_dlg->show();
    m_dlg->Nperiod->setValue(7);
    m_dlg->Kwartal->setItemIndex(0);
    m_dlg->Button1->click();
    EXPECT_TRUE(m_sink.errors.isEmpty()) << m_sink.errors.join("|").toStdString();
    EXPECT_EQ(taxformat::TaxFileName(), "DA071407.1");
    EXPECT_TRUE(QFileInfo::exists(m_temp.path() + "/DA071407.1"));
    EXPECT_FALSE(m_dlg->Button1->isEnabled());
    EXPECT_TRUE(m_dlg->Button2->isEnabled());
    EXPECT_TRUE(m_dlg->Button4->isEnabled());
    EXPECT_TRUE(m_dlg->Panel1->isHidden());
    EXPECT_EQ(m_dlg->Gauge1->maxValue(), 2);
    EXPECT_EQ(m_dlg->Gauge1->percentText(), "100%");
    EXPECT_FALSE(m_dlg->table().isOpen());

    // The printed form of the file just made opens in its preview (closed here at once).
    int previews = 0;
    report::setPreviewObserver([&](report::PreviewWindow* p) {
        ++previews;
        QTimer::singleShot(0, p, &QWidget::close);
    });
    m_dlg->Button2->click();
    report::setPreviewObserver(nullptr);
    EXPECT_EQ(previews, 1);
    EXPECT_TRUE(m_sink.errors.isEmpty()) << m_sink.errors.join("|").toStdString();
    m_dlg->Button4->click();
    EXPECT_EQ(m_sink.plain.value(0), "Підготуйте пристрій " + m_work.path() + "/medium/");
    EXPECT_EQ(m_sink.plain.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(m_work.path() + "/medium/DA071407.1"));
}

TEST_F(Report1DlgTest, AFailedRunLeavesTheDialogReadyForAnotherTry)
{
    m_dlg->show();
    m_asker.answers["I2"] = "2 00";
    m_dlg->Button1->click();
    EXPECT_EQ(m_sink.errors, QStringList{"'2 00' is not a valid floating point value."});
    EXPECT_TRUE(m_dlg->Button1->isEnabled());
    EXPECT_FALSE(m_dlg->Button2->isEnabled());
    EXPECT_FALSE(m_dlg->Button4->isEnabled());
    EXPECT_FALSE(m_dlg->Panel1->isHidden());
    EXPECT_TRUE(m_dlg->table().isOpen());
    EXPECT_EQ(taxformat::TaxFileName(), "DA071401.3");

    m_asker.answers["I2"] = "200";
    m_dlg->Button1->click();
    EXPECT_EQ(m_sink.errors.size(), 1);
    EXPECT_FALSE(m_dlg->Button1->isEnabled());
    EXPECT_TRUE(m_dlg->Panel1->isHidden());
}

TEST_F(Report1DlgTest, TheDialogTakesNoCommandsWhileRunning)
{
    m_dlg->show();
    int reentered = 0;
    m_asker.onAsk = [&](const QString&) {
        ++reentered;
        if (reentered == 1) {
            m_dlg->Button1Click();
            m_dlg->Button3->click();
            m_dlg->reject();
            m_dlg->close();
        }
    };
    m_dlg->Button1->click();
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(m_asker.asked.count("T1"), 1);
    EXPECT_FALSE(m_dlg->Button1->isEnabled());

    m_dlg->Button3->click();
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_EQ(m_dlg->result(), QDialog::Rejected);
}

TEST_F(Report1DlgTest, TextBoxesTakeOnlyWhatTheFileCanCarry)
{
    m_dlg->show();
    QLineEdit* edit = m_dlg->Edit1;
    edit->setFocus();
    edit->selectAll();
    auto type = [&](const QString& text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(edit, &press);
    };
    type("Ї");
    EXPECT_EQ(edit->text(), "Ї");
    type("日");
    EXPECT_EQ(edit->text(), "Ї");
}

TEST_F(Report1DlgTest, InputMadeDuringARunIsDroppedNotReplayedAfterIt)
{
    QWidget mainWindow;
    mainWindow.show();
    m_dlg->show();
    QApplication::processEvents();
    ASSERT_NE(mainWindow.windowHandle(), nullptr);
    m_asker.onAsk = [&](const QString& item) {
        if (item != "T1")
            return;
        // What an impatient user does while the accounting program is slow: Esc, a click on
        // "Відмінити", the main window's close box.
        QCoreApplication::postEvent(
            m_dlg.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        const QPointF centre = QRectF(m_dlg->Button3->rect()).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(
                m_dlg->Button3, new QMouseEvent(type, centre, m_dlg->Button3->mapToGlobal(centre),
                                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(mainWindow.windowHandle(), new QEvent(QEvent::Close));
    };
    m_dlg->Button1->click();
    QApplication::processEvents();
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_TRUE(m_dlg->Button4->isEnabled()) << "\"Вигрузити файл\" is offered";

    // Afterwards the dialog takes input as before.
    QCoreApplication::postEvent(m_dlg.get(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QApplication::processEvents();
    EXPECT_FALSE(m_dlg->isVisible());
}

TEST_F(Report1DlgTest, TabEntersARadioGroupOnTheChosenItemAndArrowsMoveTheChoice)
{
    m_dlg->show();
    QApplication::setActiveWindow(m_dlg.get());
    struct Case
    {
        taxfile::RadioGroup* group;
        QWidget* before;
        int chosen;
    } cases[] = {{m_dlg->Kwartal, m_dlg->Edit2, 2}, {m_dlg->WUser, m_dlg->ZYear, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group->objectName().toStdString());
        c.group->setItemIndex(c.chosen);
        c.before->setFocus();
        QTest::keyClick(m_dlg->focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(m_dlg->focusWidget(), c.group->buttons()[std::size_t(c.chosen)]);
        QTest::keyClick(m_dlg->focusWidget(), Qt::Key_Space);
        EXPECT_EQ(c.group->itemIndex(), c.chosen);
        QTest::keyClick(m_dlg->focusWidget(), Qt::Key_Up);
        EXPECT_EQ(c.group->itemIndex(), c.chosen - 1);
        EXPECT_EQ(m_dlg->focusWidget(), c.group->buttons()[std::size_t(c.chosen - 1)]);
        QTest::keyClick(m_dlg->focusWidget(), Qt::Key_Tab);
        EXPECT_NE(m_dlg->focusWidget()->parentWidget(), c.group) << "Tab leaves the group";
    }
}

TEST_F(Report1DlgTest, AnEmptyFileNumberStaysEmptyAndGivesALoneZero)
{
    m_dlg->show();
    QApplication::setActiveWindow(m_dlg.get());
    QLineEdit* edit = m_dlg->Nperiod->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    m_dlg->Nperiod->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    m_dlg->Button1->setFocus(); // leaving the box is when a spin box corrects its text
    EXPECT_EQ(m_dlg->Nperiod->text(), "");
    m_dlg->Button1->click();
    EXPECT_EQ(taxformat::TaxFileName(), "DA07140.3");

    // The arrows never step into the empty box; a typed 0 is no file number.
    m_dlg->Nperiod->stepBy(1);
    EXPECT_EQ(m_dlg->Nperiod->text(), "1");
    m_dlg->Nperiod->stepBy(-1);
    EXPECT_EQ(m_dlg->Nperiod->text(), "1");
    m_dlg->Nperiod->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_0);
    m_dlg->Button3->setFocus();
    EXPECT_EQ(m_dlg->Nperiod->text(), "1");
}

TEST_F(Report1DlgTest, EveryTextFitsWithoutNarrowing)
{
    m_dlg->show();
    const std::pair<QLabel*, QWidget*> rows[] = {{m_dlg->Label1, m_dlg->Nperiod},
                                                 {m_dlg->Label2, m_dlg->ZYear},
                                                 {m_dlg->Label3, m_dlg->Edit1},
                                                 {m_dlg->Label4, m_dlg->Edit2}};
    for (const auto& [label, field] : rows) {
        EXPECT_TRUE(testsupport::unsqueezed(label->font())) << label->text().toStdString();
        EXPECT_LE(label->x() + label->sizeHint().width(), field->x())
            << label->text().toStdString();
    }
    for (QPushButton* b : {m_dlg->Button1, m_dlg->Button2, m_dlg->Button3, m_dlg->Button4})
        EXPECT_TRUE(testsupport::unsqueezed(b->font()) && testsupport::showsWhole(b, b->text()))
            << b->text().toStdString();
    EXPECT_TRUE(testsupport::unsqueezed(m_dlg->ZYear->font()));
    EXPECT_TRUE(testsupport::showsWhole(m_dlg->ZYear->lineEdit(), "2009"));
    EXPECT_TRUE(testsupport::showsWhole(m_dlg->Nperiod->findChild<QLineEdit*>(), "99"));
    // The items of a radio group stand inside its frame, below its caption, each whole.
    for (taxfile::RadioGroup* g : {m_dlg->WUser, m_dlg->Kwartal}) {
        for (QRadioButton* b : g->buttons()) {
            EXPECT_TRUE(g->contentsRect().contains(b->geometry())) << b->text().toStdString();
            EXPECT_GE(b->height(), b->sizeHint().height()) << b->text().toStdString();
        }
    }
}

// Whatever frame a window manager puts around the dialogs, and however late it tells it, their
// outer size is the designed one.
TEST_F(Report1DlgTest, DialogsKeepTheirOuterSizeUnderAnyFrame)
{
    QMargins frame;
    widgets::setDefaultFrameSource([&](const QWidget*) { return frame; });
    settings::QSettingsStore store(m_temp.filePath("4vt.ini"));
    const std::pair<std::function<std::unique_ptr<QWidget>()>, QSize> cases[] = {
        {[&] { return std::make_unique<taxfile::Report1Dlg>(m_settings, m_asker); },
         QSize(448, 323)},
        {[&] { return std::make_unique<settings::OptionsDlg>(store); }, QSize(574, 539)},
    };
    for (const auto& [make, outer] : cases) {
        for (const QMargins told : {QMargins(1, 20, 1, 5), QMargins(4, 23, 4, 4)}) {
            frame = QMargins();
            std::unique_ptr<QWidget> window = make();
            window->show();
            QCoreApplication::processEvents();
            frame = told; // the window manager has framed the window and moves it into the frame
            window->move(window->pos() + QPoint(told.left(), told.top()));
            QCoreApplication::processEvents();
            EXPECT_EQ(window->size(), outer.shrunkBy(told)) << window->objectName().toStdString();
        }
    }
    widgets::setDefaultFrameSource({});
}
