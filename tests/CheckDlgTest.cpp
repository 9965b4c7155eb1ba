#include "check/CheckDlg.h"
#include "support/FormTable.h"
#include "support/TaxFileBuilder.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

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
    testsupport::expectAsInTable(&dlg, check::CheckDlg::kDesign, check::CheckDlg::formItems());
    for (int column = 0; column < 4; ++column) {
        const int shown = dlg.FindingsTable->columnWidth(column);
        dlg.FindingsTable->resizeColumnToContents(column); // the width its contents ask for
        EXPECT_GE(shown, dlg.FindingsTable->columnWidth(column))
            << dlg.FindingsTable->horizontalHeaderItem(column)->text().toStdString();
    }
}

// The longest summary (errors, and more findings than are listed) stays whole in its place, and
// the findings whole in their rows, down to the narrowest window.
TEST(CheckDlgTest, TheLongestSummaryFitsTheNarrowestWindow)
{
    const check::Findings findings(
        1001,
        finding(check::Severity::Error, 1, QStringLiteral("2238234710"), QStringLiteral("KOD")));
    check::CheckDlg dlg(QStringLiteral("DA071401.3"), findings);
    dlg.show();
    std::vector<int> rowHeights;
    for (const QSize size : {check::CheckDlg::kDesign, dlg.minimumSize()}) {
        dlg.resize(size);
        QCoreApplication::processEvents();
        QLabel* summary = dlg.SummaryLabel;
        EXPECT_LE(summary->heightForWidth(summary->width()), summary->height()) << size.width();
        EXPECT_LT(summary->geometry().bottom(), dlg.FindingsTable->y());
        rowHeights.push_back(dlg.FindingsTable->rowHeight(0));
    }
    // The sentence that had one line in the designed width wraps to more in the narrowest.
    EXPECT_GT(rowHeights[1], rowHeights[0]);
}

// Beside a report dialog in the middle of a 1280×1024 screen, the list of a file with many
// findings stays whole on the screen, frame included, wherever it finds room.
TEST(CheckDlgTest, TheWindowStaysOnTheScreenBesideTheDialog)
{
    QTemporaryDir dir;
    std::vector<testsupport::TaxRow> rows = testsupport::taxReturn(40);
    for (testsupport::TaxRow& row : rows)
        row.tin = QStringLiteral("1234567890"); // a wrong check digit on every line
    testsupport::writeTaxFile(dir.path(), "DA071401.3", rows);
    QDialog report;
    report.setFixedSize(440, 296);
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    report.move(room.center() - QPoint(224, 161));
    report.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&report));
    // The window manager frames a window some time after it is shown (not at all offscreen).
    const auto framed = [](const QWidget* w) { return w->frameGeometry() != w->geometry(); };
    if (QGuiApplication::platformName() != "offscreen")
        QTRY_VERIFY_WITH_TIMEOUT(framed(&report), 2000);

    QPointer<check::CheckDlg> dlg = check::showFileCheck(&report, dir.filePath("DA071401.3"));
    ASSERT_FALSE(dlg.isNull());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
    if (QGuiApplication::platformName() != "offscreen") {
        QTRY_VERIFY_WITH_TIMEOUT(framed(dlg), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(room.contains(dlg->frameGeometry()), 2000);
    }
    EXPECT_TRUE(room.contains(dlg->frameGeometry()))
        << "frame " << dlg->frameGeometry().top() << ".." << dlg->frameGeometry().bottom()
        << ", screen " << room.top() << ".." << room.bottom();
    EXPECT_FALSE(dlg->frameGeometry().intersects(report.frameGeometry()));
    delete dlg.data();
}
