#include "app/AboutDlg.h"

#include "app/Fonts.h"
#include "app/ShadowLabel.h"
#include "app/Version.h"
#include "widgets/FormBuilder.h"
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

const QList<widgets::FormItem>& AboutDlg::formItems()
{
    using widgets::FontStyle;
    using widgets::FormItem;
    using widgets::Kind;
    constexpr FontStyle title{FontStyle::Sans, 14, 0, true};
    constexpr FontStyle version{FontStyle::Sans, 10, 0, true, true};
    constexpr FontStyle line{FontStyle::Serif, 10, 0, true};
    constexpr FontStyle link{FontStyle::Serif, 10, 0, true, false, true};
    constexpr auto in = widgets::Fixed;
    const QString panel = QStringLiteral("SecretPanel1");
    // clang-format off
    static const QList<FormItem> items{
        {Kind::Frame,  "SecretPanel1", {},                    {0, 0, 255, 339}},
        {Kind::Custom, "WebLabel",     "4ВТ\nдля 1С 6.0",     {8, 2, 217, 47},  title,   0, in, panel},
        {Kind::Label,  "Label1",       " Версія ",            {69, 55, 0, 0},   version, 0, in, panel},
        {Kind::Label,  "Label3",       {},                    {125, 55, 0, 0},  version, 0, in, panel},
        {Kind::Label,  "Label2",       "Розробка КВОР\nдля бухгалтерів підприємств",
                                                              {13, 103, 0, 0},  {},      0, in, panel},
        {Kind::Bevel,  "Bevel1",       {},                    {5, 144, 244, 2}, {},      0, in, panel},
        {Kind::Label,  "Label4",       "а/с 17, м. Київ, 01001",        {16, 168, 0, 0}, line, 0, in, panel},
        {Kind::Label,  "Label7",       "вул. Прикладна, 7, офіс 3",     {16, 184, 0, 0}, line, 0, in, panel},
        {Kind::Label,  "Label8",       "тел./факс (044) 200-00-00",     {16, 200, 0, 0}, line, 0, in, panel},
        {Kind::Label,  "Comments",     "info@kvor.example",             {16, 216, 0, 0}, link, 0, in, panel},
        {Kind::Label,  "Label6",       "Розробник: група програм КВОР", {16, 236, 0, 0}, line, 0, in, panel},
        {Kind::Label,  "StaticText1",  "kvor.example/4vt",              {16, 249, 0, 0}, link, 0, in, panel},
        {Kind::Label,  "StaticText2",  "4vt@kvor.example",              {16, 264, 0, 0}, link, 0, in, panel},
        {Kind::Button, "OkBtn",        "OK",                  {87, 299, 77, 25}, {},     1, in, panel},
    };
    // clang-format on
    return items;
}

AboutDlg::AboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(QStringLiteral("Про програму"));
    setFont(sansFont(8));
    setFixedSize(255, 339);
    const widgets::FormWidgets w =
        widgets::FormBuilder::build(this, size(), formItems(), {{"WebLabel", &ShadowLabel::make}});
    SecretPanel1 = w.get<QFrame>("SecretPanel1");
    WebLabel = w.get<ShadowLabel>("WebLabel");
    Label1 = w.get<QLabel>("Label1");
    Label2 = w.get<QLabel>("Label2");
    Label3 = w.get<QLabel>("Label3");
    Label4 = w.get<QLabel>("Label4");
    Label7 = w.get<QLabel>("Label7");
    Label8 = w.get<QLabel>("Label8");
    Comments = w.get<QLabel>("Comments");
    Label6 = w.get<QLabel>("Label6");
    StaticText1 = w.get<QLabel>("StaticText1");
    StaticText2 = w.get<QLabel>("StaticText2");
    Bevel1 = w.get<QFrame>("Bevel1");
    OkBtn = w.get<QPushButton>("OkBtn");
    FormCreate();
    widgets::centreOnScreen(this);
    OkBtn->setFocus();
}

void AboutDlg::FormCreate()
{
    Label3->setText(QString::fromLatin1(kVersion));
    Label3->adjustSize();
    for (QLabel* line : {Label4, Label7, Label8, Label6})
        setTextColour(line, Qt::black);
    for (QLabel* link : {Comments, StaticText1, StaticText2})
        link->setCursor(Qt::PointingHandCursor);
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
    OkBtn->setDefault(true);
    OkBtn->setAutoDefault(true);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
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
    ::ShellExecuteA(reinterpret_cast<HWND>(winId()), nullptr, address.constData(), nullptr, nullptr,
                    SW_SHOWNOACTIVATE);
#else
    QDesktopServices::openUrl(url);
#endif
}

} // namespace app
