#include "check/CheckDlg.h"

#include "check/TaxFileCheck.h"
#include "core/Messages.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

namespace check {

CheckDlg::CheckDlg(const QString& fileName, const Findings& findings, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CheckDlg"));
    setWindowTitle(QStringLiteral("Перевірка файлу"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 380);

    const qsizetype errors = countOf(findings, Severity::Error);
    const qsizetype warnings = countOf(findings, Severity::Warning);
    QString summary = QStringLiteral("Файл %1 записано так, як відповіла бухгалтерська програма. "
                                     "Перевірка знайшла в ньому помилок: %2, попереджень: %3.")
                          .arg(fileName)
                          .arg(errors)
                          .arg(warnings);
    if (errors > 0)
        summary += QStringLiteral(" Файл з помилками податкова інспекція не прийме: виправте дані "
                                  "в бухгалтерській програмі або в настройках і сформуйте файл "
                                  "знову.");
    Label1 = new QLabel(summary, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAlternatingRowColors(true);
    ListView1->setHeaderLabels({QStringLiteral("Вид"), QStringLiteral("Рядок"),
                                QStringLiteral("Ідент. номер"), QStringLiteral("Поле"),
                                QStringLiteral("Що не так")});
    const QIcon errorIcon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warningIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const Finding& f : findings) {
        const bool error = f.severity == Severity::Error;
        auto* item = new QTreeWidgetItem(ListView1);
        item->setIcon(0, error ? errorIcon : warningIcon);
        item->setText(0, error ? QStringLiteral("Помилка") : QStringLiteral("Попередження"));
        item->setText(1, f.line > 0 ? QString::number(f.line) : QStringLiteral("—"));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(2, f.tin);
        item->setText(3, f.field);
        item->setText(4, f.text);
        item->setToolTip(4, f.text);
    }
    QHeaderView* header = ListView1->header();
    header->setStretchLastSection(true);
    ListView1->setColumnWidth(0, 118);
    ListView1->setColumnWidth(1, 52);
    ListView1->setColumnWidth(2, 100);
    ListView1->setColumnWidth(3, 70);

    Button1 = new QPushButton(QStringLiteral("Закрити"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Label1);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);
}

CheckDlg* showFileCheck(QWidget* parent, const QString& path)
{
    Findings findings;
    if (!core::guarded([&] { findings = checkTaxFile(path); }) || findings.empty())
        return nullptr;
    auto* dlg = new CheckDlg(QFileInfo(path).fileName(), findings, parent);
    dlg->show();
    return dlg;
}

} // namespace check
