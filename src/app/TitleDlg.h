#pragma once

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

    QFrame* Panel1;
    ShadowLabel* WebLabel;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;

private:
    void FormCreate();
};

} // namespace app
