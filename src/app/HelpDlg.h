#pragma once

#include "widgets/FormItem.h"

#include <QDialog>

class QPlainTextEdit;

namespace app {

// The instruction viewer: the text of "Readme.txt", editable, never saved.
class HelpDlg : public QDialog
{
    Q_OBJECT
public:
    explicit HelpDlg(QWidget* parent = nullptr);

    // The client area under a classic sizeable frame, and the viewer's one component in it.
    static constexpr QSize kDesign{536, 348};
    static const QList<widgets::FormItem>& formItems();

    QPlainTextEdit* Memo1;
};

} // namespace app
