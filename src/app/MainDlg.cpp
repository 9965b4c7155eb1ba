#include "app/MainDlg.h"

#include "app/AboutDlg.h"
#include "app/Fonts.h"
#include "app/HelpDlg.h"
#include "app/ReadmeFile.h"
#include "core/Error.h"
#include "core/Messages.h"
#include "widgets/OuterSize.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

namespace app {

MainDlg::MainDlg(QWidget* parent, std::unique_ptr<ddelink::ClientTransport> transport)
    : QMainWindow(parent), DdeClientConv1(std::move(transport))
{
    setObjectName(QStringLiteral("MainDlg"));
    setWindowTitle(QStringLiteral("4ВТ"));
    setFont(sansFont(8));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setCentralWidget(new QWidget(this));

    ActionList1 = new QObject(this);
    ActionList1->setObjectName(QStringLiteral("ActionList1"));
    About =
        addAction(QStringLiteral("About"), QStringLiteral("Про програму"), QStringLiteral("Help"));
    Show1Rep =
        addAction(QStringLiteral("Show1Rep"), QStringLiteral("Звіт"), QStringLiteral("Report"));
    Options = addAction(QStringLiteral("Options"), QStringLiteral("Настройки"),
                        QStringLiteral("Options"));
    Help = addAction(QStringLiteral("Help"), QStringLiteral("Інструкція"), QStringLiteral("Help"));
    connect(About, &QAction::triggered, this, &MainDlg::AboutExecute);
    connect(Show1Rep, &QAction::triggered, this, &MainDlg::Show1RepExecute);
    connect(Options, &QAction::triggered, this, &MainDlg::OptionsExecute);
    connect(Help, &QAction::triggered, this, &MainDlg::HelpExecute);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    MainMenu1->addAction(Options);
    MainMenu1->addAction(Show1Rep);
    helpMenu = MainMenu1->addMenu(QStringLiteral("&?"));
    helpMenu->addAction(About);
    helpMenu->addAction(Help);
    setMenuBar(MainMenu1);

    openLink = [this] { return ddelink::openLink(DdeClientConv1, DdeClientItem1); };
    showLinkFailure = [this] {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), linkFailureText(),
                        QMessageBox::Ok, this);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
        box.exec();
    };

    widgets::setOuterSize(this, QSize(435, 300));
}

MainDlg::~MainDlg() = default;

QString MainDlg::linkFailureText()
{
    return QStringLiteral("Для роботи необхідно запустити 1С бухгалтерію");
}

QAction* MainDlg::addAction(const QString& objectName, const QString& caption,
                            const QString& category)
{
    auto* action = new QAction(caption, ActionList1);
    action->setObjectName(objectName);
    action->setProperty(kCategory, category);
    action->setShortcuts({});
    action->setMenuRole(QAction::NoRole);
    return action;
}

void MainDlg::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The check belongs to the first time the window comes up, once it is on screen: until the
    // window system has mapped it, the check (a program to start, perhaps a box) would only
    // hold the window back. Coming back from a dialog or from another program shows the window
    // again but never re-runs it.
    if (m_linkCheckQueued)
        return;
    m_linkCheckQueued = true;
    QWindow* window = windowHandle();
    if (window && !window->isExposed()) {
        window->installEventFilter(this);
        QTimer::singleShot(kLinkCheckLatestMs, this, &MainDlg::FormActivate);
    } else {
        QTimer::singleShot(0, this, &MainDlg::FormActivate);
    }
}

bool MainDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Expose && watched == windowHandle() &&
        windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        // Queued, so that the window is painted before the check can put a box over it.
        QTimer::singleShot(0, this, &MainDlg::FormActivate);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainDlg::FormActivate()
{
    if (m_linkChecked)
        return;
    m_linkChecked = true;
    bool opened = false;
    core::guarded([&] { opened = openLink && openLink(); });
    if (opened)
        return;
    core::guarded([&] {
        if (showLinkFailure)
            showLinkFailure();
    });
    close();
}

bool MainDlg::reopenLink()
{
    if (DdeClientConv1.isOpen())
        return true;
    if (openLink && openLink())
        return true;
    if (showLinkFailure)
        showLinkFailure();
    return false;
}

void MainDlg::OptionsExecute()
{
    core::guarded([&] {
        if (!showOptions)
            throw core::Error(QStringLiteral("Вікно настройок не підключено"));
        showOptions();
    });
}

void MainDlg::Show1RepExecute()
{
    core::guarded([&] {
        if (!showReport)
            throw core::Error(QStringLiteral("Вікно звітів не підключено"));
        showReport();
    });
}

void MainDlg::AboutExecute()
{
    core::guarded([&] {
        AboutDlg dialog(this);
        dialog.exec();
    });
}

void MainDlg::HelpExecute()
{
    core::guarded([&] {
        const std::optional<QString> text = ReadmeFile::load(QStringLiteral("Readme.txt"));
        if (!text)
            return;
        HelpDlg dialog(this);
        dialog.Memo1->setPlainText(*text);
        dialog.exec();
    });
}

} // namespace app
