#include "app/AboutDlg.h"

#include "app/Fonts.h"
#include "app/ShadowLabel.h"
#include "app/Version.h"
#include "widgets/OuterSize.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace app {

namespace {

const QColor kBlue(0, 0, 255);
const QColor kNavy(0, 0, 128);

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

QUrl AboutDlg::commentsUrl()
{
    return QUrl(QStringLiteral("mailto:info@kvor.example"));
}

QUrl AboutDlg::staticText1Url()
{
    return QUrl(QStringLiteral("https://kvor.example/4vt/"));
}

QUrl AboutDlg::staticText2Url()
{
    return QUrl(QStringLiteral("mailto:4vt@kvor.example"));
}

QColor AboutDlg::textColour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

AboutDlg::AboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(QStringLiteral("Про програму"));
    setFont(sansFont(8));
    setFixedSize(255, 339);

    SecretPanel1 = new QFrame(this);
    SecretPanel1->setObjectName(QStringLiteral("SecretPanel1"));
    SecretPanel1->setFrameStyle(QFrame::NoFrame);
    SecretPanel1->setBackgroundRole(QPalette::Window);
    SecretPanel1->setAutoFillBackground(true);
    SecretPanel1->setGeometry(0, 0, 255, 339);

    WebLabel = new ShadowLabel(QStringLiteral("4ВТ\nдля 1С 6.0"), SecretPanel1);
    WebLabel->setObjectName(QStringLiteral("WebLabel"));
    WebLabel->setFont(sansFont(14, true));
    WebLabel->setGeometry(8, 2, 217, 47);

    Label1 = new QLabel(QStringLiteral(" Версія "), SecretPanel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(sansFont(10, true, true));
    Label1->move(69, 55);

    Label3 = new QLabel(SecretPanel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(sansFont(10, true, true));
    Label3->move(125, 55);

    Label2 = new QLabel(QStringLiteral("Розробка КВОР\nдля бухгалтерів підприємств"), SecretPanel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(13, 103);

    Bevel1 = new QFrame(SecretPanel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setGeometry(5, 144, 244, 2);

    Label4 = addLine("Label4", QStringLiteral("а/с 17, м. Київ, 01001"), 168);
    Label7 = addLine("Label7", QStringLiteral("вул. Прикладна, 7, офіс 3"), 184);
    Label8 = addLine("Label8", QStringLiteral("тел./факс (044) 200-00-00"), 200);
    Comments = addLine("Comments", QStringLiteral("info@kvor.example"), 216);
    Label6 = addLine("Label6", QStringLiteral("Розробник: група програм КВОР"), 236);
    StaticText1 = addLine("StaticText1", QStringLiteral("kvor.example/4vt"), 249);
    StaticText2 = addLine("StaticText2", QStringLiteral("4vt@kvor.example"), 264);

    for (QLabel* link : {Comments, StaticText1, StaticText2}) {
        QFont font = link->font();
        font.setUnderline(true);
        link->setFont(font);
        link->setCursor(Qt::PointingHandCursor);
    }
    setTextColour(Comments, kNavy);
    const QColor highlight = palette().color(QPalette::Highlight);
    setTextColour(StaticText1, highlight);
    setTextColour(StaticText2, highlight);

    // Only the controls with a hover rule follow the mouse; the others swallow its movement,
    // so moving onto them changes nothing.
    for (QWidget* w : std::initializer_list<QWidget*>{SecretPanel1, Comments, StaticText1,
                                                      StaticText2, Label6, Label8}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }

    OkBtn = new QPushButton(QStringLiteral("OK"), SecretPanel1);
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    OkBtn->setGeometry(87, 299, 77, 25);
    OkBtn->setDefault(true);
    OkBtn->setAutoDefault(true);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
    for (QLabel* label : {Label1, Label2, Label3})
        label->adjustSize();
    widgets::centreOnScreen(this);
    OkBtn->setFocus();
}

QLabel* AboutDlg::addLine(const char* name, const QString& text, int y)
{
    auto* label = new QLabel(text, SecretPanel1);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(serifFont(10, true));
    setTextColour(label, Qt::black);
    label->move(16, y);
    label->adjustSize();
    return label;
}

void AboutDlg::FormCreate()
{
    Label3->setText(QString::fromLatin1(kVersion));
}

void AboutDlg::closeEvent(QCloseEvent* event)
{
    if (event->spontaneous())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void AboutDlg::reject()
{
    accept();
}

bool AboutDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        // Each control answers its own movements; a label passes unhandled movements on to the
        // panel beneath, which would apply the panel's rule as well.
        if (watched == SecretPanel1)
            SecretPanel1MouseMove();
        else if (watched == Comments)
            CommentsMouseMove();
        else if (watched == StaticText1)
            StaticText1MouseMove();
        else if (watched == StaticText2)
            StaticText2MouseMove();
        else if (watched == Label6)
            Label6MouseMove();
        else if (watched == Label8)
            Label8MouseMove();
        return true;
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton &&
            widget->rect().contains(mouse->position().toPoint())) {
            if (watched == Comments)
                CommentsClick();
            else if (watched == StaticText1)
                StaticText1Click();
            else if (watched == StaticText2)
                StaticText2Click();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDlg::SecretPanel1MouseMove()
{
    setTextColour(Comments, kNavy);
    setTextColour(StaticText1, kNavy);
    setTextColour(StaticText2, kNavy);
}

void AboutDlg::CommentsMouseMove()
{
    setTextColour(Comments, kBlue);
}

void AboutDlg::StaticText1MouseMove()
{
    setTextColour(StaticText1, kBlue);
    setTextColour(StaticText2, kNavy);
}

void AboutDlg::StaticText2MouseMove()
{
    setTextColour(StaticText1, kNavy);
    setTextColour(StaticText2, kBlue);
}

void AboutDlg::Label6MouseMove()
{
    setTextColour(StaticText1, kNavy);
}

void AboutDlg::Label8MouseMove()
{
    setTextColour(Comments, kNavy);
}

// A link that cannot be opened is not reported: the box is only a courtesy.
void AboutDlg::CommentsClick()
{
    openLink(commentsUrl());
}

void AboutDlg::StaticText1Click()
{
    openLink(staticText1Url());
}

void AboutDlg::StaticText2Click()
{
    openLink(staticText2Url());
}

// The shell's default action for the address, on behalf of this window, shown without taking
// the focus; elsewhere the desktop's handler for it.
void AboutDlg::openLink(const QUrl& url)
{
#ifdef _WIN32
    const QByteArray address = url.toEncoded();
    ::ShellExecuteA(reinterpret_cast<HWND>(winId()), nullptr, address.constData(), nullptr,
                    nullptr, SW_SHOWNOACTIVATE);
#else
    QDesktopServices::openUrl(url);
#endif
}

} // namespace app
