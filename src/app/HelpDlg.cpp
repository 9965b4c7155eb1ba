#include "app/HelpDlg.h"

#include "app/Fonts.h"
#include "widgets/FormBuilder.h"
#include "widgets/OuterSize.h"

#include <QPlainTextEdit>

namespace app {

const QList<widgets::FormItem>& HelpDlg::formItems()
{
    // The text fills the window, whatever size it is given.
    static const QList<widgets::FormItem> items{{widgets::Kind::Memo,
                                                 "Memo1",
                                                 {},
                                                 {{0, 0}, kDesign},
                                                 {widgets::FontStyle::Sans, 10},
                                                 1,
                                                 widgets::WiderAndTaller}};
    return items;
}

HelpDlg::HelpDlg(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("HelpDlg"));
    setWindowTitle(QStringLiteral("HelpDlg"));
    setFont(sansFont(8));

    resize(kDesign);
    Memo1 = widgets::FormBuilder::build(this, kDesign, formItems()).get<QPlainTextEdit>("Memo1");
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setReadOnly(false);

    widgets::setOuterSize(this, QSize(544, 375));
}

} // namespace app
