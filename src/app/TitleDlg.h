#pragma once

#include "widgets/FormItem.h"

#include <QWidget>

class QFrame;
class QLabel;

namespace app {

class ShadowLabel;

// The splash shown while the long-lived windows are created.
class TitleDlg : public QWidget
{
    Q_OBJECT
public:
    explicit TitleDlg(QWidget* parent = nullptr);

    // Shows the splash and paints it once the window system has it on screen, waiting at most
    // `waitMs` for that; true when it is on screen.
    bool showAtOnce(int waitMs = 1000);

    // The splash's components as it is built from them.
    static const QList<widgets::FormItem>& formItems();

    QFrame* Panel1;
    ShadowLabel* WebLabel;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;

private:
    void FormCreate();
};

} // namespace app
