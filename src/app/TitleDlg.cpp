#include "app/TitleDlg.h"

#include "app/Fonts.h"
#include "app/ShadowLabel.h"
#include "app/Version.h"
#include "widgets/FormBuilder.h"
#include "widgets/OuterSize.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <QWindow>

namespace app {

const QList<widgets::FormItem>& TitleDlg::formItems()
{
    using widgets::FormItem;
    using widgets::Kind;
    constexpr auto in = widgets::Fixed;
    const QString panel = QStringLiteral("Panel1");
    // Panel1 is taller than the window: its bottom bevel lies outside, so the splash shows no
    // lower edge. "Version" is given the room up to the version number, and is narrowed where
    // the font is wider than the one the splash was drawn with.
    // clang-format off
    static const QList<FormItem> items{
        {Kind::Panel,  "Panel1",   {},            {0, 0, 241, 113}},
        {Kind::Custom, "WebLabel", "Форма 4ВТ",   {16, 8, 201, 33}, {widgets::FontStyle::Sans, 10, 0, true}, 0, in, panel},
        {Kind::Label,  "Label1",   "Version",     {72, 48, 37, 0},  {}, 0, in, panel},
        {Kind::Label,  "Label3",   {},            {112, 48, 0, 0},  {}, 0, in, panel},
        {Kind::Label,  "Label2",   "Розробка КВОР\nдля бухгалтерів підприємств",
                                                  {40, 71, 0, 0},   {}, 0, in, panel},
    };
    // clang-format on
    return items;
}

TitleDlg::TitleDlg(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TitleDlg"));
    setFont(sansFont(8));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFixedSize(241, 108);
    const widgets::FormWidgets w =
        widgets::FormBuilder::build(this, size(), formItems(), {{"WebLabel", &ShadowLabel::make}});
    Panel1 = w.get<QFrame>("Panel1");
    WebLabel = w.get<ShadowLabel>("WebLabel");
    Label1 = w.get<QLabel>("Label1");
    Label2 = w.get<QLabel>("Label2");
    Label3 = w.get<QLabel>("Label3");
    FormCreate();
    widgets::centreOnScreen(this);
}

bool TitleDlg::showAtOnce(int waitMs)
{
    show();
    // A window manager maps the window some time after it is asked to, and what is painted
    // before that is lost: the start-up that follows keeps the event loop busy, so the splash is
    // painted once it is really on screen (or the wait is over). The wait sleeps until the
    // window system says something, not in steps of its own.
    QTimer over;
    over.setSingleShot(true);
    over.start(waitMs);
    while (!(windowHandle() && windowHandle()->isExposed()) && over.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    repaint();
    QCoreApplication::processEvents();
    return windowHandle() && windowHandle()->isExposed();
}

void TitleDlg::FormCreate()
{
    Label3->setText(QString::fromLatin1(kVersion));
    Label3->adjustSize();
}

} // namespace app
