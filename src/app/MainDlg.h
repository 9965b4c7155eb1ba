#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

#include "link/DdeClientConv.h"
#include "link/DdeClientItem.h"

class QAction;
class QMenu;
class QMenuBar;

namespace app {

// The main window: an empty frame with the menu, holder of the conversation with the
// accounting program. Closing it ends the program.
class MainDlg : public QMainWindow
{
    Q_OBJECT
public:
    // The conversation goes over the given transport, or the platform's own when it is null.
    explicit MainDlg(QWidget* parent = nullptr,
                     std::unique_ptr<ddelink::ClientTransport> transport = nullptr);
    ~MainDlg() override;

    // The property of every action in ActionList1 that holds its category.
    static constexpr char kCategory[] = "category";

    QMenuBar* MainMenu1;
    // Holds the actions, in the order About, Show1Rep, Options, Help, as its children.
    QObject* ActionList1;
    QAction* About;
    QAction* Show1Rep;
    QAction* Options;
    QAction* Help;
    QMenu* helpMenu;

    ddelink::DdeClientConv DdeClientConv1;
    ddelink::DdeClientItem DdeClientItem1{DdeClientConv1};

    // Opens the conversation; by default ddelink::openLink on DdeClientConv1 and DdeClientItem1.
    std::function<bool()> openLink;
    // The box that says the accounting program is not running; returns when it is dismissed.
    std::function<void()> showLinkFailure;
    // Show the settings dialog and the report dialog modally; the start-up fills them in,
    // since both dialogs need the settings object that lives beside this window.
    std::function<void()> showOptions;
    std::function<void()> showReport;

    // For a generation run that finds the conversation lost: opens it once more as the link
    // check does and, when that fails, shows the same box (the program goes on). True when the
    // conversation stands.
    bool reopenLink();

    // Whether the link check has run (it runs once per run).
    bool linkChecked() const { return m_linkChecked; }

    static QString linkFailureText();

    // The longest the link check waits for the window system to put the window on screen
    // (a window started minimised is never exposed before it is restored).
    static constexpr int kLinkCheckLatestMs = 2000;

public slots:
    void OptionsExecute();
    void Show1RepExecute();
    void AboutExecute();
    void HelpExecute();
    void FormActivate();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addAction(const QString& objectName, const QString& caption, const QString& category);

    bool m_linkChecked = false;
    bool m_linkCheckQueued = false;
};

} // namespace app
