#include "check/CheckDlg.h"

#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

check::Finding finding(check::Severity severity, qint64 line, const QString& tin,
                       const QString& field)
{
    check::Finding f;
    f.severity = severity;
    f.line = line;
    f.tin = tin;
    f.field = field;
    f.text = QStringLiteral("Дата прийняття пізніша за кінець звітного кварталу.");
    return f;
}

} // namespace

// Every cell of the short columns shows its text whole: the kind, the line, the number, the field.
TEST(CheckDlgTest, TheShortColumnsShowTheirTextsWhole)
{
    using check::Severity;
    const check::Findings findings{
        finding(Severity::Error, 1, QStringLiteral("2238234710"), QStringLiteral("KOD")),
        finding(Severity::Warning, 99993, QStringLiteral("ЖЮ123456"), QStringLiteral("D_PRIYN")),
        finding(Severity::Warning, 0, QString(), QStringLiteral("OZN_PILG")),
    };
    check::CheckDlg dlg(QStringLiteral("DA071401.3"), findings);
    dlg.show();
    for (int column = 0; column < 4; ++column) {
        const int shown = dlg.FindingsTable->columnWidth(column);
        dlg.FindingsTable->resizeColumnToContents(column); // the width its contents ask for
        EXPECT_GE(shown, dlg.FindingsTable->columnWidth(column))
            << dlg.FindingsTable->horizontalHeaderItem(column)->text().toStdString();
    }
}
