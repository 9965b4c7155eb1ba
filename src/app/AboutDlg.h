#pragma once

#include "widgets/FormItem.h"

#include <QColor>
#include <QDialog>
#include <QUrl>

class QFrame;
class QLabel;
class QPushButton;

namespace app {

class ShadowLabel;

// The about box: version, maker and the contact lines, three of them links.
class AboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDlg(QWidget* parent = nullptr);

    // Where the three links lead.
    static QUrl commentsUrl();
    static QUrl staticText1Url();
    static QUrl staticText2Url();

    // The colour a label's text is drawn in.
    static QColor textColour(const QLabel* label);
    // The box's components as it is built from them.
    static const QList<widgets::FormItem>& formItems();

    QFrame* SecretPanel1;
    ShadowLabel* WebLabel;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QFrame* Bevel1;
    QLabel* Label4;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Comments;
    QLabel* Label6;
    QLabel* StaticText1;
    QLabel* StaticText2;
    QPushButton* OkBtn;

public slots:
    // Esc and a close request end the box the same way as "OK".
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The box has no close box; a window manager that draws one anyway gets no answer from it.
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void SecretPanel1MouseMove();
    void CommentsMouseMove();
    void StaticText1MouseMove();
    void StaticText2MouseMove();
    void Label6MouseMove();
    void Label8MouseMove();
    void CommentsClick();
    void StaticText1Click();
    void StaticText2Click();
    void openLink(const QUrl& url);
};

} // namespace app
