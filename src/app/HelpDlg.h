#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace app {

// The instruction viewer: the text of "Readme.txt", editable, never saved.
class HelpDlg : public QDialog
{
    Q_OBJECT
public:
    explicit HelpDlg(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1;
};

} // namespace app
