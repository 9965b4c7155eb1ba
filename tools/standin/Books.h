#pragma once

// The books file: one JSON object, the firm's books for one quarter.
//
//   {
//     "firm": "ТОВ ...",                  optional, for the reader only
//     "date": "2008-09-30",               the reporting date answered for "РДАТА" (as an
//                                         11-character date answer); an ISO date, or a text
//                                         answered as written; absent: "01102008   "
//     "items": { "<item>": "<answer>" },  literal answers, looked up before any evaluation; a
//                                         number is answered as a number, null refuses the item
//     "employeeAccounts": ["70.01"],      the accounts whose analytic object is the employee
//                                         (this default when absent)
//     "employees": [                      catalogue 1
//       { "number": 7,                    the employee number, a whole number, unique
//         "name": "Коваленко Т. І.",       optional, for the reader only
//         "attributes": {                 attribute number -> value:
//           "52": "2912345678",           a string is text, answered as stored
//           "35": 1,                      a number is whole (answered "1") or, with a fraction,
//                                         an amount (answered with two decimals)
//           "100": "2008-08-04",          a string "YYYY-MM-DD" that is a date is a date,
//                                         answered as 11 characters "04082008   "
//           "101": "",                    an empty string (or null) answers the empty text
//           "102": 0 } } ],
//     "postings": [                       the postings of the quarter
//       { "date": "2008-07-31",           optional; checked, not used
//         "debit": "92", "credit": "70.01",
//         "employee": 7,                  optional: the analytic object of the side(s) whose
//                                         account is one of "employeeAccounts" (or a sub-account
//                                         of one); it must name a known employee
//         "amount": 2450.00 } ]           a number with at most two decimals
//   }
//
// Attributes usually present: 52 identification number, 35 type 1..4, 100 hiring date,
// 101 dismissal date (may be empty), 102 benefit code. What the expressions can ask is written
// down in Evaluator.h.

#include "Value.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace standin {

class Books
{
public:
    // Throws std::runtime_error with a readable message when the file cannot be read or does
    // not hold books of the form above.
    static Books load(const QString& path);
    static Books fromJson(const QJsonObject& root);

    // The answer to one item name, or nothing when the accounting program would refuse it.
    std::optional<QString> answer(const QString& item) const;

    // What the evaluator asks of the books.
    bool hasEmployee(qint64 number) const { return m_employees.contains(number); }
    std::optional<Value> attribute(qint64 employee, qint64 attribute) const;
    Value reportingDate() const { return m_reportingDate; }

    // One side of a turnover: an account (empty: any account) and, optionally, the employee
    // that must be the analytic object on that side.
    struct Side
    {
        QString account;
        std::optional<qint64> employee;
    };
    // The sum of the matching postings, in kopecks.
    qint64 turnover(const Side& debit, const Side& credit) const;

private:
    struct Posting
    {
        QString debit;
        QString credit;
        std::optional<qint64> debitEmployee;
        std::optional<qint64> creditEmployee;
        qint64 kopecks = 0;
    };

    QHash<QString, std::optional<QString>> m_items;
    QHash<qint64, QHash<qint64, Value>> m_employees;
    QList<Posting> m_postings;
    Value m_reportingDate;
};

} // namespace standin
