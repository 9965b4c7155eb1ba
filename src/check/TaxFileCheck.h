#pragma once

#include "check/Finding.h"

#include <QDate>
#include <QString>

#include <vector>

// The check of a tax file before it is handed in: the identification numbers' check digits, the
// arithmetic of the numbering and the totals, and what looks implausible. Each rule is a
// function of the file's records that adds its findings; checkTaxFile reads the file through
// the table engine and runs them all.
namespace check {

// One record as the rules see it. Amounts are whole kopecks, so that sums are exact.
struct TaxRecord
{
    qint64 line = 0; // position in the file, from 1
    double np = 0;
    double period = 0;
    double rik = 0;
    double typ = 0;
    double oznDox = 0;
    QString kod;
    QString tin;
    qint64 dox = 0; // S_DOX in kopecks
    qint64 tax = 0; // S_TAX in kopecks
    QDate hired;
    QDate dismissed;
};
using TaxRecords = std::vector<TaxRecord>;

// An employee record: NP a whole number from 1 to 99990.
bool isEmployeeRecord(const TaxRecord& record);

// Reads every record of the tax file at `path` through the table engine. A file that is no tax
// file, or a field that cannot be read, gives core::Error with the engine's message.
TaxRecords readTaxRecords(const QString& path);

// An amount's text as the file stores it ("1234.5", "-0.07") in whole kopecks, rounded half
// away from zero when it carries more decimals; a blank field is 0. Throws core::Error when it is
// no number or does not fit 64 bits.
qint64 kopecksOf(const QString& text);
// Kopecks as the bookkeeper writes them: "67 439,55".
QString amountText(qint64 kopecks);

// Errors: what the tax office rejects.
void checkNumbering(const TaxRecords& records, Findings& out);
void checkTotals(const TaxRecords& records, Findings& out);
void checkSameOnEveryRecord(const TaxRecords& records, Findings& out);
void checkAgentCode(const TaxRecords& records, Findings& out);
void checkPersonNumbers(const TaxRecords& records, Findings& out);

// Warnings: what is worth a look.
void checkIncomeRow(const TaxRecords& records, Findings& out);
void checkTaxWithinIncome(const TaxRecords& records, Findings& out);
void checkIncomeNotNegative(const TaxRecords& records, Findings& out);
void checkHiringBeforeDismissal(const TaxRecords& records, Findings& out);
void checkDatesWithinQuarter(const TaxRecords& records, Findings& out);
void checkRepeatedRows(const TaxRecords& records, Findings& out);
void checkMissingTin(const TaxRecords& records, Findings& out);
void checkHasEmployees(const TaxRecords& records, Findings& out);

// Every rule, the findings ordered errors first, then by line.
Findings checkRecords(const TaxRecords& records);
// readTaxRecords, then checkRecords.
Findings checkTaxFile(const QString& path);

// One finding as one line of text: "рядок 5 (NP 5), TIN 2238234711, поле TIN «…»: помилка: …".
QString findingLine(const Finding& finding);

} // namespace check
