#include "app/TitleDlg.h"

#include "app/Fonts.h"
#include "app/ShadowLabel.h"
#include "app/Version.h"
#include "widgets/OuterSize.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <QWindow>

namespace app {

TitleDlg::TitleDlg(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TitleDlg"));
    setFont(sansFont(8));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFixedSize(241, 108);

    // Taller than the window: its bottom bevel lies outside, so the splash shows no lower edge.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(0, 0, 241, 113);

    WebLabel = new ShadowLabel(QStringLiteral("Форма 4ВТ"), Panel1);
    WebLabel->setObjectName(QStringLiteral("WebLabel"));
    WebLabel->setFont(sansFont(10, true));
    WebLabel->setGeometry(16, 8, 201, 33);

    Label1 = new QLabel(QStringLiteral("Version"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(72, 48);

    Label3 = new QLabel(Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->move(112, 48);

    Label2 = new QLabel(QStringLiteral("Розробка КВОР\nдля бухгалтерів підприємств"), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(40, 71);

    FormCreate();
    // The substitute sans font is wider than the one the splash was drawn with: "Version" is
    // narrowed until it ends before the version number instead of running into it.
    const int room = Label3->x() - Label1->x() - 3;
    QFont narrow = Label1->font();
    for (int stretch = 99; stretch >= 60 && Label1->sizeHint().width() > room; --stretch) {
        narrow.setStretch(stretch);
        Label1->setFont(narrow);
    }
    for (QLabel* label : {Label1, Label2, Label3})
        label->adjustSize();
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
}

} // namespace app
