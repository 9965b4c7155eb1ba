#include "check/TaxFileCheck.h"
#include "core/Error.h"
#include "support/DbfTestFile.h"
#include "support/OpenFiles.h"
#include "support/TaxFileBuilder.h"
#include "taxformat/CheckDigits.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>

using check::Finding;
using check::Findings;
using check::Severity;
using testsupport::TaxRow;

namespace {

// A sound return spoiled in one way, and where its finding must point.
struct Spoiled
{
    const char* what;
    std::function<void(std::vector<TaxRow>&)> spoil;
    qint64 line;
    const char* field;
    const char* part; // a piece of the finding's sentence
};

class TaxFileCheckTest : public ::testing::Test
{
protected:
    Findings checked(const std::vector<TaxRow>& rows)
    {
        const QString path = m_dir.filePath("DA071401.3");
        testsupport::writeTaxFile(path, rows);
        return check::checkTaxFile(path);
    }
    Findings checked(const Spoiled& spoiled)
    {
        auto rows = testsupport::soundReturn();
        spoiled.spoil(rows);
        return checked(rows);
    }

    static QString describe(const Findings& findings)
    {
        QStringList lines;
        for (const Finding& f : findings)
            lines << check::findingLine(f);
        return lines.join('\n');
    }

    QTemporaryDir m_dir;
};

// The one finding expected: its severity, line, field and a piece of its sentence.
void expectOnly(const Findings& findings, Severity severity, qint64 line, const QString& field,
                const QString& part)
{
    ASSERT_EQ(findings.size(), 1u) << findings.size();
    const Finding& f = findings.front();
    EXPECT_EQ(f.severity, severity) << f.text.toStdString();
    EXPECT_EQ(f.line, line) << f.text.toStdString();
    EXPECT_EQ(f.field, field) << f.text.toStdString();
    EXPECT_TRUE(f.text.contains(part)) << f.text.toStdString();
}

} // namespace

TEST_F(TaxFileCheckTest, ASoundReturnHasNoFindings)
{
    EXPECT_TRUE(checked(testsupport::soundReturn()).empty());
    auto rows = testsupport::soundReturn();
    rows[1].tin = "АБ123456"; // a passport instead of the number
    for (TaxRow& r : rows) {
        r.typ = 1;
        r.kod = "2931414195";
    }
    EXPECT_TRUE(checked(rows).empty()) << describe(checked(rows)).toStdString();
}

TEST_F(TaxFileCheckTest, AMistypedNumberIsAnErrorOnItsLine)
{
    auto rows = testsupport::soundReturn();
    rows[1].tin = "2514412298";
    const Findings found = checked(rows);
    expectOnly(found, Severity::Error, 2, "TIN", "контрольної цифри");
    EXPECT_EQ(found[0].tin, "2514412298");
    // The check only reads, and a file received read-only can be checked.
    const QString path = m_dir.filePath("DA071401.3");
    const QByteArray before = testsupport::readFile(path);
    const QDateTime modified = QFileInfo(path).lastModified();
    QFile::setPermissions(path, QFile::ReadOwner);
    EXPECT_EQ(check::checkTaxFile(path).size(), 1u);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    check::readTaxRecords(QFile::encodeName(path), [&](const check::TaxRecord&) {
        EXPECT_EQ(testsupport::openAccessMode(path), O_RDONLY);
    });
    EXPECT_EQ(testsupport::readFile(path), before);
    EXPECT_EQ(QFileInfo(path).lastModified(), modified);
    EXPECT_EQ(found[0].np, "2");
    EXPECT_EQ(check::findingLine(found[0]),
              "рядок 2 (NP 2), TIN 2514412298, поле TIN: помилка: Ідентифікаційний номер "
              "працівника не проходить перевірку контрольної цифри: найпевніше, в ньому "
              "помилка.");
}

TEST_F(TaxFileCheckTest, EachCodeOfTheFileIsChecked)
{
    struct Case
    {
        int row;
        QString tin, kod;
        int typ;
        Severity severity;
        qint64 line;
        const char* field;
    };
    const Case cases[] = {
        {2, "1111111111", {}, 0, Severity::Error, 3, "TIN"},  // director
        {3, "22382", {}, 0, Severity::Error, 4, "TIN"},       // chief accountant
        {2, "", {}, 0, Severity::Warning, 3, "TIN"},          // no director number
        {-1, {}, "01234567", 0, Severity::Error, 1, "KOD"},   // firm code
        {-1, {}, "", 0, Severity::Error, 1, "KOD"},           // none
        {-1, {}, "2931414195", 0, Severity::Error, 1, "KOD"}, // a person's, as a firm's
        {-1, {}, "2931414159", 1, Severity::Error, 1, "KOD"}, // entrepreneur's number
        {-1, {}, "32855961", 2, Severity::Error, 1, "TYP"},   // no such kind
    };
    for (const Case& c : cases) {
        auto rows = testsupport::soundReturn();
        if (c.row >= 0)
            rows[c.row].tin = c.tin;
        for (TaxRow& r : rows) {
            if (c.row < 0)
                r.kod = c.kod;
            r.typ = c.typ;
        }
        const Findings found = checked(rows);
        ASSERT_EQ(found.size(), 1u) << describe(found).toStdString();
        EXPECT_EQ(found[0].severity, c.severity) << describe(found).toStdString();
        EXPECT_EQ(found[0].line, c.line) << describe(found).toStdString();
        EXPECT_EQ(found[0].field, c.field) << describe(found).toStdString();
    }
}

// The settings dialog judges a code by taxformat::codeAsWritten; what it says must be what the
// check of the written file says, blanks and no-break spaces included.
TEST_F(TaxFileCheckTest, ACodeIsJudgedAsTheFileCarriesIt)
{
    const QChar nbsp(0x00A0);
    const QString values[] = {
        "2238234710",
        "223823471" + QString(nbsp),
        " 223823471",
        "2238234710 9",
        "2238234710" + QString(nbsp),
        "АБ123456",
        "32855961" + QString(nbsp),
        " 32855961",
    };
    for (const QString& value : values) {
        for (const bool firm : {false, true}) {
            auto rows = testsupport::soundReturn();
            for (TaxRow& r : rows)
                r.kod = firm ? value : QStringLiteral("32855961");
            if (!firm)
                rows[2].tin = value;
            const QString written = taxformat::codeAsWritten(value);
            const bool bad = !(firm ? taxformat::firmCodeProblem(written)
                                    : taxformat::individualNumberProblem(written))
                                  .isEmpty();
            const Findings found = checked(rows);
            const bool errorFound = std::any_of(found.begin(), found.end(), [&](const Finding& f) {
                return f.severity == Severity::Error && f.field == (firm ? "KOD" : "TIN");
            });
            EXPECT_EQ(errorFound, bad)
                << value.toStdString() << (firm ? " as KOD" : " as TIN") << '\n'
                << describe(found).toStdString();
        }
    }
}

TEST_F(TaxFileCheckTest, TheArithmeticOfTheFile)
{
    const Spoiled cases[] = {
        {"totals off by one kopeck", [](auto& r) { r[4].sDox = 18150.51; }, 5, "S_DOX",
         "(18 150,51) не дорівнює сумі записів працівників (18 150,50)"},
        {"tax total off by one kopeck", [](auto& r) { r[4].sTax = 2624.48; }, 5, "S_TAX",
         "утриманого податку"},
        {"a gap in NP", [](auto& r) { r[1].np = 3; }, 2, "NP", "Після запису 1 іде запис 3"},
        {"numbering not from 1", [](auto& r) { r[0].np = 2, r[1].np = 3; }, 1, "NP",
         "номер 2 замість 1"},
        {"no chief accountant record", [](auto& r) { r.erase(r.begin() + 3); }, 4, "NP",
         "бракує службового запису 99992"},
        {"no totals record", [](auto& r) { r.pop_back(); }, 0, "NP",
         "немає службового запису 99999"},
        {"service records swapped", [](auto& r) { std::swap(r[2], r[3]); }, 3, "NP",
         "бракує службового запису 99991"},
        {"an employee after the service records",
         [](auto& r) { r.insert(r.end() - 1, r[1]), r[4].np = 3; }, 5, "NP", "після службових"},
        {"an impossible number", [](auto& r) { r[3].np = 99993; }, 4, "NP", "неможливий"},
        {"KOD changes mid-file", [](auto& r) { r[1].kod = "00032129"; }, 2, "KOD", "не таке"},
        {"RIK changes mid-file", [](auto& r) { r[2].rik = 2009; }, 3, "RIK", "(2009)"},
        {"PERIOD changes mid-file", [](auto& r) { r[4].period = 2; }, 5, "PERIOD", "(3)"},
    };
    for (const Spoiled& c : cases) {
        SCOPED_TRACE(c.what);
        const Findings found = checked(c);
        ASSERT_FALSE(found.empty());
        const Finding& f = found.front();
        EXPECT_EQ(f.severity, Severity::Error);
        EXPECT_EQ(f.line, c.line) << describe(found).toStdString();
        EXPECT_EQ(f.field, c.field) << describe(found).toStdString();
        EXPECT_TRUE(f.text.contains(QString::fromUtf8(c.part))) << describe(found).toStdString();
    }
    // A second totals record is the numbering's finding alone: the sums are held to the first.
    auto rows = testsupport::soundReturn();
    rows.push_back(rows.back());
    rows.back().sDox = 1;
    expectOnly(checked(rows), Severity::Error, 6, "NP", "повторюється");
}

TEST_F(TaxFileCheckTest, WhatLooksImplausibleIsAWarning)
{
    const Spoiled cases[] = {
        {"income row 9", [](auto& r) { r[1].oznDox = 9; }, 2, "OZN_DOX", "поза межами"},
        {"income row 0", [](auto& r) { r[1].oznDox = 0; }, 2, "OZN_DOX", "поза межами"},
        {"tax above income", [](auto& r) { r[1].sTax = 8550.51, r[4].sTax = 1388.16 + 8550.51; }, 2,
         "S_TAX", "більший"},
        {"negative income",
         [](auto& r) { r[1].sDox = -10, r[1].sTax = -20, r[4].sDox = 9590, r[4].sTax = 1368.16; },
         2, "S_DOX", "від'ємний"},
        {"hired after dismissed", [](auto& r) { r[0].dismissed = QDate(2005, 2, 13); }, 1,
         "D_PRIYN", "пізніша за дату звільнення"},
        {"hired after the quarter", [](auto& r) { r[1].hired = QDate(2008, 10, 1); }, 2, "D_PRIYN",
         "кінець звітного кварталу (30.09.2008)"},
        {"dismissed after the quarter", [](auto& r) { r[0].dismissed = QDate(2009, 1, 5); }, 1,
         "D_ZVILN", "пізніша за кінець"},
        {"the same number and row twice", [](auto& r) { r[1].tin = r[0].tin; }, 2, "TIN",
         "уже є в рядку 1"},
        {"the same passport and row twice", [](auto& r) { r[0].tin = r[1].tin = "АБ123456"; }, 2,
         "TIN", "уже є в рядку 1"},
        {"an employee without a number", [](auto& r) { r[1].tin.clear(); }, 2, "TIN",
         "немає ідентифікаційного номера"},
        {"no employee at all (a range that names nobody)",
         [](auto& r) {
             r.erase(r.begin(), r.end() - 3);
             r.back().sDox = r.back().sTax = 0;
         },
         0, "", "жодного запису"},
    };
    for (const Spoiled& c : cases) {
        SCOPED_TRACE(c.what);
        expectOnly(checked(c), Severity::Warning, c.line, c.field, QString::fromUtf8(c.part));
    }
    // The same number in another income row (the last one) is the usual case.
    auto rows = testsupport::soundReturn();
    rows[1].tin = rows[0].tin;
    rows[1].oznDox = 8;
    EXPECT_TRUE(checked(rows).empty());
    // Tax equal to the income is not above it.
    rows[1].sTax = rows[1].sDox;
    rows[4].sTax = 1388.16 + rows[1].sDox;
    EXPECT_TRUE(checked(rows).empty()) << describe(checked(rows)).toStdString();
    // Each side of the date rules' limits: dismissed on the day of hiring, hired and dismissed
    // on the quarter's last day.
    rows = testsupport::soundReturn();
    rows[0].dismissed = rows[0].hired;
    rows[1].hired = rows[1].dismissed = QDate(2008, 9, 30);
    EXPECT_TRUE(checked(rows).empty()) << describe(checked(rows)).toStdString();
    // The rules on employees pass the service records by: the director's and the chief
    // accountant's number alike, a date after the quarter. A dismissal without a hiring date
    // is no date out of order.
    rows = testsupport::soundReturn();
    rows[3].tin = rows[2].tin;
    rows[2].hired = QDate(2009, 1, 5);
    rows[1].hired = QDate();
    rows[1].dismissed = QDate(1998, 1, 1);
    EXPECT_TRUE(checked(rows).empty()) << describe(checked(rows)).toStdString();
    // Two employees without a number in the same row are no repeat.
    rows = testsupport::soundReturn();
    rows[0].tin.clear();
    rows[1].tin.clear();
    rows[1].oznDox = rows[0].oznDox;
    const Findings found = checked(rows);
    ASSERT_EQ(found.size(), 2u) << describe(found).toStdString();
    for (const Finding& f : found)
        EXPECT_TRUE(f.text.contains(QStringLiteral("немає ідентифікаційного")))
            << f.text.toStdString();
}

// The dates are held to the end of the quarter the records state, and to none when they state
// no quarter (a template laid out otherwise may carry fractions and larger numbers).
TEST_F(TaxFileCheckTest, DatesAreHeldToTheQuarterTheRecordsState)
{
    const QString path = m_dir.filePath("DA071401.3");
    testsupport::writeTaxFile(path, testsupport::soundReturn());
    const check::TaxRecords sound = check::readTaxRecords(path);
    struct Case
    {
        double period;
        double rik;
        QDate hired;
        const char* end; // in the finding; nullptr for no finding on the date
    };
    for (const Case& c :
         {Case{1, 2008, QDate(2008, 4, 1), "(31.03.2008)"},
          Case{1, 2008, QDate(2008, 3, 31), nullptr},
          Case{4, 2008, QDate(2009, 1, 1), "(31.12.2008)"},
          Case{0, 2008, QDate(2100, 1, 1), nullptr}, Case{5, 2008, QDate(2100, 1, 1), nullptr},
          Case{2.5, 2008, QDate(2008, 7, 1), nullptr}, Case{3, 0, QDate(2100, 1, 1), nullptr},
          Case{3, 10000, QDate(2100, 1, 1), nullptr},
          Case{3, 2008.5, QDate(2008, 10, 1), nullptr}}) {
        SCOPED_TRACE(testing::Message() << c.period << "/" << c.rik);
        check::TaxRecords records = sound;
        for (check::TaxRecord& r : records)
            r.period = c.period, r.rik = c.rik;
        records[1].hired = c.hired;
        Findings dates;
        for (const Finding& f : check::checkRecords(records))
            if (f.field == QStringLiteral("D_PRIYN"))
                dates.push_back(f);
        if (!c.end) {
            EXPECT_TRUE(dates.empty()) << describe(dates).toStdString();
            continue;
        }
        ASSERT_EQ(dates.size(), 1u) << describe(dates).toStdString();
        EXPECT_TRUE(dates.front().text.contains(QString::fromUtf8(c.end)))
            << dates.front().text.toStdString();
    }
}

TEST_F(TaxFileCheckTest, ErrorsComeFirst)
{
    auto rows = testsupport::soundReturn();
    rows[0].oznDox = 9;         // a warning on line 1
    rows[1].tin = "2514412298"; // an error on line 2
    rows[4].sDox = 1;           // an error on line 5
    const Findings found = checked(rows);
    ASSERT_EQ(found.size(), 3u) << describe(found).toStdString();
    EXPECT_EQ(found[0].line, 2);
    EXPECT_EQ(found[1].line, 5);
    EXPECT_EQ(found[2].severity, Severity::Warning);
}

TEST_F(TaxFileCheckTest, AHundredThousandRecordsAreSummedExactlyAndFindingsCapped)
{
    // As many employee records as the numbering allows, each an amount that a binary floating
    // sum carries with an error; two people whose every row repeats.
    const int employees = 99990;
    std::vector<TaxRow> rows;
    rows.reserve(employees + 3);
    qint64 dox = 0, tax = 0;
    for (int i = 1; i <= employees; ++i) {
        TaxRow r;
        r.np = i;
        const qint64 kopecks = 123456789 + (i % 97) * 10001;
        r.sDox = double(kopecks) / 100;
        r.sTax = double(kopecks / 7) / 100;
        r.tin = i % 8 == 0 ? "2238234710" : "2514412289";
        r.oznDox = i % 8 + 1;
        dox += kopecks;
        tax += kopecks / 7;
        rows.push_back(r);
    }
    rows.push_back(testsupport::taxRow(99991, "2745120158", 0, 0, 0, QDate()));
    rows.push_back(testsupport::taxRow(99992, "3015043027", 0, 0, 0, QDate()));
    rows.push_back(
        testsupport::taxRow(99999, "", double(dox) / 100, double(tax) / 100, 0, QDate()));
    const QString path = m_dir.filePath("DA071401.3");
    testsupport::writeTaxFile(path, rows);
    check::TaxRecords records = check::readTaxRecords(path);
    ASSERT_EQ(records.size(), std::size_t(employees + 3));
    EXPECT_EQ(check::compareAmounts(records.back().dox, {dox, 2}), 0);
    EXPECT_EQ(check::compareAmounts(records.back().tax, {tax, 2}), 0);

    // Every row but the first eight repeats one before it: fifty shown, the rest counted.
    const qint64 repeats = employees - 8;
    Findings found = check::checkRecords(records);
    ASSERT_EQ(found.size(), std::size_t(check::TaxFileChecker::findingsPerRule + 1));
    EXPECT_EQ(found[0].line, 9) << describe(found).toStdString();
    EXPECT_EQ(found[0].np, "9");
    EXPECT_TRUE(found[0].text.contains("уже є в рядку 1")) << describe(found).toStdString();
    EXPECT_EQ(check::findingLine(found.back()),
              QStringLiteral("файл, поле TIN: попередження: Ще %1 попереджень того самого роду "
                             "не показано.")
                  .arg(repeats - check::TaxFileChecker::findingsPerRule));

    records.back().tax.units += 1;
    found = check::checkRecords(records);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found[0].field, "S_TAX");
    EXPECT_EQ(found[0].line, employees + 3);

    // One employee record more than a return can number is no return.
    records.insert(records.begin(), records.front());
    EXPECT_THROW(check::checkRecords(records), core::Error);
}

TEST_F(TaxFileCheckTest, TotalsAreComparedExactlyWhateverTheDecimals)
{
    auto fields = testsupport::taxTemplateFields();
    for (auto& f : fields)
        if (QByteArray(f.name).startsWith("S_"))
            f.decimals = 3;
    std::vector<TaxRow> rows = testsupport::soundReturn();
    rows.erase(rows.begin(), rows.begin() + 2);
    for (int np : {3, 2, 1}) {
        rows.insert(rows.begin(), testsupport::taxRow(np, "2238234710", 0.005, 0, np));
    }
    rows.back().sDox = 0.015;
    rows.back().sTax = 0;
    const QString path = m_dir.filePath("DA071401.3");
    testsupport::writeTaxFile(path, rows, fields);
    // Besides the two warnings about the amounts' layout, which is not the form's.
    const auto checked = [&] {
        Findings found = check::checkTaxFile(path);
        EXPECT_EQ(std::erase_if(found, [](const check::Finding& f) { return f.line == 0; }), 2u);
        return found;
    };
    Findings found = checked();
    EXPECT_TRUE(found.empty()) << describe(found).toStdString();

    rows.back().sDox = 0.01;
    testsupport::writeTaxFile(path, rows, fields);
    found = checked();
    ASSERT_EQ(found.size(), 1u) << describe(found).toStdString();
    EXPECT_TRUE(found[0].text.endsWith("(0,01) не дорівнює сумі записів працівників (0,015)."))
        << describe(found).toStdString();
    EXPECT_EQ(check::amountText({-6743955, 2}), "-67 439,55");
    EXPECT_EQ(check::amountText({-7, 2}), "-0,07");

    // Sums beyond 64 bits, of the income or of the tax, are said as such, on the totals record.
    testsupport::writeTaxFile(path, testsupport::soundReturn());
    for (const bool ofTax : {false, true}) {
        SCOPED_TRACE(ofTax ? "tax" : "income");
        check::TaxRecords records = check::readTaxRecords(path);
        for (check::TaxRecord& r : {std::ref(records[0]), std::ref(records[1])})
            (ofTax ? r.tax : r.dox).units = std::numeric_limits<qint64>::max() / 2 + 1;
        found = check::checkRecords(records);
        std::erase_if(found, [](const Finding& f) { return f.severity != Severity::Error; });
        ASSERT_EQ(found.size(), 1u) << describe(found).toStdString();
        EXPECT_EQ(found[0].line, 5);
        EXPECT_TRUE(found[0].text.contains(QStringLiteral("не можна додати")))
            << describe(found).toStdString();
    }
}

TEST_F(TaxFileCheckTest, AFileThatIsNoTaxFileCannotBeChecked)
{
    const QString path = testsupport::writeFile(m_dir.path(), "notes.txt", "not a table");
    EXPECT_THROW(check::checkTaxFile(path), core::Error);
    EXPECT_THROW(check::checkTaxFile(m_dir.filePath("missing.3")), core::Error);
}

// The file's name: the pattern with two-digit codes, and its extension against the records'
// PERIOD (3 in the sound return); both only warnings.
TEST_F(TaxFileCheckTest, TheNameFollowsThePatternAndItsExtensionIsThePeriod)
{
    struct Case
    {
        const char* name;
        bool badName;
        bool badExtension;
    };
    for (const Case& c : {Case{"DA071401.3", false, false}, Case{"da071499.3", false, false},
                          Case{"DA01.3", true, false}, Case{"DA7141.3", true, false},
                          Case{"DA071400.3", true, false}, Case{"DA071401.2", false, true},
                          Case{"DA071401", true, true}, Case{"DA071401.5", true, true},
                          Case{"return.dbf", true, true}}) {
        SCOPED_TRACE(c.name);
        const QString path = m_dir.filePath(QString::fromLatin1(c.name));
        testsupport::writeTaxFile(path, testsupport::soundReturn());
        const Findings found = check::checkTaxFile(path);
        ASSERT_EQ(found.size(), std::size_t(c.badName) + std::size_t(c.badExtension))
            << describe(found).toStdString();
        for (const Finding& f : found) {
            EXPECT_EQ(f.severity, Severity::Warning);
            EXPECT_EQ(f.line, 0);
            EXPECT_EQ(f.field, f.text.startsWith("Розширення") ? "PERIOD" : "");
        }
        if (c.badName) {
            EXPECT_TRUE(found[0].text.contains(QString::fromLatin1(c.name)));
        }
        if (c.badExtension) {
            EXPECT_TRUE(found.back().text.contains("(PERIOD 3)"));
        }
    }
    // Records without a file have no name to judge.
    auto records = check::readTaxRecords(m_dir.filePath("DA01.3"));
    EXPECT_TRUE(check::checkRecords(records).empty());
}
