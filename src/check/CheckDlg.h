#pragma once

#include "check/Finding.h"
#include "widgets/FormItem.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace check {

// "Перевірка файлу": what the check found in a tax file just written, errors first, one row per
// finding (the first thousand). It is not modal, so the report dialog stays usable beside it, and
// it only shows: the file stays as the accounting program answered.
class CheckDlg : public QDialog
{
    Q_OBJECT

public:
    CheckDlg(const QString& fileName, const Findings& findings, QWidget* parent = nullptr);

    // The client area the window opens with, and its components as it is built from them.
    static constexpr QSize kDesign{860, 400};
    static const QList<widgets::FormItem>& formItems();

    QLabel* SummaryLabel;
    QTableWidget* FindingsTable;
    QPushButton* CloseButton;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Lists the findings, the first thousand; returns how many are listed.
    qsizetype fillFindings(const Findings& findings);

    bool m_rowFitQueued = false;
};

// After a finished run: checks the tax file at `path` and, when something is found, shows the
// window beside `parent` (owned by it, deleted when closed). Returns it, or nullptr when the
// file is clean. A file that cannot be read back is reported in the standard error box.
CheckDlg* showFileCheck(QWidget* parent, const QString& path);

} // namespace check
