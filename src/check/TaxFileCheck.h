#pragma once

#include "check/Finding.h"
#include "dbase/FieldCodec.h"
#include "taxformat/TaxFileFields.h"

#include <QDate>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The check of a tax file before it is handed in: the identification numbers' check digits, the
// arithmetic of the numbering and the totals, and what looks implausible. Each rule takes the
// file's records one by one and adds its findings; checkTaxFile reads the file through the table
// engine and runs them all as it reads.
namespace check {

// An amount exactly as the file stores it: units of 10^-decimals ("0.005" is 5 units of three
// decimals), so that sums and comparisons are exact whatever the field's decimals.
struct Amount
{
    qint64 units = 0;
    int decimals = 0;
};

// One record as the rules see it.
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
    Amount dox; // S_DOX
    Amount tax; // S_TAX
    QDate hired;
    QDate dismissed;
};
using TaxRecords = std::vector<TaxRecord>;

// A return numbers its employee records 1 to 99990: a file with more cannot be one.
constexpr qint64 mostEmployeeRecords = 99990;

// An employee record: NP a whole number from 1 to 99990.
inline bool isEmployeeRecord(const TaxRecord& record)
{
    return record.np >= 1 && record.np < taxformat::directorNp &&
           static_cast<double>(static_cast<qint64>(record.np)) == record.np;
}

// Reads the tax file, record by record, through the table engine opened read-only, handing each
// record to `take` as it is read. `nativePath` is the file's name as the system's bytes. A file
// that is no tax file, or a field that cannot be read, gives core::Error with the engine's
// message.
void readTaxRecords(const QByteArray& nativePath, const std::function<void(const TaxRecord&)>& take,
                    const std::function<void(const dbase::DbfHeader&)>& opened = {});
// What the header says that other readers may take otherwise than the program's own files: a
// field layout other than the form's (the same comparison the run makes of its template, and
// fields the form does not have), a version byte other than dBase III's, a code page other
// than Windows-1251. Warnings, all of them.
Findings headerFindings(const dbase::DbfHeader& header);
// Every record of the file at `path`, kept.
TaxRecords readTaxRecords(const QString& path);

// An amount as the table engine reads it exactly, its trailing zeros dropped; nullopt when it did
// not fit 64 bits or carries more than 18 decimals.
std::optional<Amount> amountOf(const std::optional<dbase::codec::Decimal>& stored);
// Negative, zero or positive as a is below, equal to or above b.
int compareAmounts(const Amount& a, const Amount& b);
// As the bookkeeper writes it, with at least the kopecks: "67 439,55", "0,005".
QString amountText(const Amount& amount);

// The check's rules, fed one record at a time; memory does not grow with the file. Each rule
// keeps at most findingsPerRule findings and counts the rest in one finding of its own.
class TaxFileChecker
{
public:
    static constexpr int findingsPerRule = 50;
    TaxFileChecker();
    ~TaxFileChecker();
    TaxFileChecker(const TaxFileChecker&) = delete;
    TaxFileChecker& operator=(const TaxFileChecker&) = delete;

    // The file's name without its folder, for the rule of tax file names; none, no such rule.
    void setFileName(const QString& name);
    // Throws core::Error when the records seen so far cannot be a return.
    void add(const TaxRecord& record);
    // Every rule's findings: errors first, then by line; each rule's count of the rest after its
    // kind.
    Findings finish();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The rules over records in memory.
Findings checkRecords(const TaxRecords& records);
// The rules over the file, read as it is checked, its name among them.
Findings checkTaxFile(const QString& path);
Findings checkTaxFileNamed(const QByteArray& nativePath);

// One finding as one line of text: "рядок 5 (NP 5), TIN 2238234711, поле TIN «…»: помилка: …".
QString findingLine(const Finding& finding);

} // namespace check
