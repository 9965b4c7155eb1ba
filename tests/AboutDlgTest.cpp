#include "app/AboutDlg.h"
#include "app/ShadowLabel.h"
#include "support/FormTable.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

const QColor kBlue(0, 0, 255);
const QColor kNavy(0, 0, 128);

class AboutDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dlg));
        m_highlight = m_dlg.palette().color(QPalette::Highlight);
    }

    // A mouse movement onto the middle of a control, delivered as the window system would.
    void moveOnto(QWidget* w) { QTest::mouseMove(w, w->rect().center()); }
    // Onto a spot of the panel where no control lies.
    void moveOntoFreePanel() { QTest::mouseMove(m_dlg.SecretPanel1, QPoint(240, 100)); }

    QColor comments() const { return app::AboutDlg::textColour(m_dlg.Comments); }
    QColor text1() const { return app::AboutDlg::textColour(m_dlg.StaticText1); }
    QColor text2() const { return app::AboutDlg::textColour(m_dlg.StaticText2); }

    app::AboutDlg m_dlg;
    QColor m_highlight;
};

TEST_F(AboutDlgTest, LayoutTextsAndFrame)
{
    EXPECT_EQ(m_dlg.windowTitle(), "Про програму");
    EXPECT_EQ(m_dlg.size(), QSize(255, 339));
    EXPECT_EQ(m_dlg.minimumSize(), m_dlg.maximumSize());
    EXPECT_FALSE(m_dlg.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(m_dlg.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(m_dlg.windowFlags() & Qt::WindowMinMaxButtonsHint);
    // A close box that a window manager draws anyway does nothing.
    QCoreApplication::postEvent(m_dlg.windowHandle(), new QEvent(QEvent::Close));
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_EQ(m_dlg.Label3->text(), "1.0");
    testsupport::expectAsInTable(&m_dlg, QSize(255, 339), app::AboutDlg::formItems());
    for (QLabel* label : {m_dlg.Label4, m_dlg.Label7, m_dlg.Label8, m_dlg.Comments, m_dlg.Label6,
                          m_dlg.StaticText1, m_dlg.StaticText2}) {
        EXPECT_EQ(label->font().family(), "Liberation Serif");
        // Every line fits inside the box.
        EXPECT_LE(label->geometry().right(), 255) << qPrintable(label->objectName());
    }
    EXPECT_EQ(app::AboutDlg::textColour(m_dlg.Label4), QColor(Qt::black));
    EXPECT_EQ(comments(), kNavy);
    EXPECT_EQ(text1(), m_highlight);
    EXPECT_EQ(text2(), m_highlight);
}

TEST_F(AboutDlgTest, HoverRulesFollowTheTable)
{
    moveOnto(m_dlg.Comments);
    EXPECT_EQ(comments(), kBlue);
    EXPECT_EQ(text1(), m_highlight);
    EXPECT_EQ(text2(), m_highlight);

    moveOnto(m_dlg.StaticText1);
    EXPECT_EQ(comments(), kBlue);
    EXPECT_EQ(text1(), kBlue);
    EXPECT_EQ(text2(), kNavy);

    moveOnto(m_dlg.StaticText2);
    EXPECT_EQ(text1(), kNavy);
    EXPECT_EQ(text2(), kBlue);

    moveOnto(m_dlg.Label8);
    EXPECT_EQ(comments(), kNavy);
    EXPECT_EQ(text2(), kBlue);

    moveOnto(m_dlg.StaticText1);
    moveOnto(m_dlg.Label6);
    EXPECT_EQ(text1(), kNavy);

    moveOntoFreePanel();
    EXPECT_EQ(comments(), kNavy);
    EXPECT_EQ(text1(), kNavy);
    EXPECT_EQ(text2(), kNavy);
    // Once changed, never the highlight colour again.
    EXPECT_NE(text1(), m_highlight);
}

TEST_F(AboutDlgTest, ControlsWithoutARuleLeaveTheLinksAsTheyAre)
{
    moveOnto(m_dlg.Comments);
    moveOnto(m_dlg.StaticText2);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_dlg.WebLabel, m_dlg.Label1, m_dlg.Label3, m_dlg.Label2,
                                         m_dlg.Label4, m_dlg.Label7, m_dlg.Bevel1, m_dlg.OkBtn}) {
        moveOnto(w);
        EXPECT_EQ(comments(), kBlue) << qPrintable(w->objectName());
        EXPECT_EQ(text1(), kNavy) << qPrintable(w->objectName());
        EXPECT_EQ(text2(), kBlue) << qPrintable(w->objectName());
    }
}

// Collects what the links would have opened instead of starting a browser or mailer.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST_F(AboutDlgTest, LinksOpenTheirAddresses)
{
    UrlCatcher catcher;
    for (const char* scheme : {"mailto", "https", "http"})
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    QTest::mouseClick(m_dlg.StaticText1, Qt::LeftButton);
    QTest::mouseClick(m_dlg.StaticText2, Qt::LeftButton);
    QTest::mouseClick(m_dlg.Comments, Qt::LeftButton);
    QTest::mouseClick(m_dlg.Label4, Qt::LeftButton);
    for (const char* scheme : {"mailto", "https", "http"})
        QDesktopServices::unsetUrlHandler(scheme);
    EXPECT_EQ(catcher.urls,
              QList<QUrl>({app::AboutDlg::staticText1Url(), app::AboutDlg::staticText2Url(),
                           app::AboutDlg::commentsUrl()}));
    EXPECT_EQ(app::AboutDlg::commentsUrl().scheme(), "mailto");
    EXPECT_TRUE(m_dlg.isVisible());
}

TEST(AboutDlgClose, EnterEscAndOkAllCloseWithOk)
{
    for (int way = 0; way < 3; ++way) {
        app::AboutDlg dlg;
        dlg.setResult(-1);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        if (way == 0)
            QTest::keyClick(&dlg, Qt::Key_Return);
        else if (way == 1)
            QTest::keyClick(&dlg, Qt::Key_Escape);
        else
            QTest::mouseClick(dlg.OkBtn, Qt::LeftButton);
        EXPECT_FALSE(dlg.isVisible()) << way;
        EXPECT_EQ(dlg.result(), QDialog::Accepted) << way;
    }
}

} // namespace

#include "AboutDlgTest.moc"
