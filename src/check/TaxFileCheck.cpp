#include "check/TaxFileCheck.h"

#include "check/CheckDigits.h"
#include "core/Error.h"
#include "dbase/Table.h"
#include "taxfile/TaxFileFields.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace check {

namespace {

QString numberText(double value)
{
    return QString::number(value, 'g', 15);
}

// " «text»", or nothing for an empty text.
QString quoted(const QString& text)
{
    return text.isEmpty() ? QString() : QStringLiteral(" «%1»").arg(text);
}

QString dateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

// The finding about one record, its NP and TIN filled in.
Finding about(const TaxRecord& r, Severity severity, const QString& field, const QString& value,
              const QString& text)
{
    return Finding{severity, r.line, numberText(r.np), r.tin, field, value, text};
}

// The finding about the file as a whole.
Finding aboutFile(Severity severity, const QString& field, const QString& text)
{
    return Finding{severity, 0, {}, {}, field, {}, text};
}

enum class Kind
{
    Employee,
    Director,
    Chief,
    Totals,
    Other,
};

Kind kindOf(const TaxRecord& r)
{
    if (isEmployeeRecord(r))
        return Kind::Employee;
    if (r.np == taxfile::directorNp)
        return Kind::Director;
    if (r.np == taxfile::chiefNp)
        return Kind::Chief;
    if (r.np == taxfile::totalsNp)
        return Kind::Totals;
    return Kind::Other;
}

struct ServiceRecord
{
    double np;
    const char* what;
};
constexpr ServiceRecord serviceRecords[] = {
    {taxfile::directorNp, "дані керівника"},
    {taxfile::chiefNp, "дані головного бухгалтера"},
    {taxfile::totalsNp, "підсумки"},
};

int serviceIndex(double np)
{
    for (int i = 0; i < 3; ++i)
        if (serviceRecords[i].np == np)
            return i;
    return -1;
}

// The last day of quarter 1..4 of `year`, or a null date when they make no quarter.
QDate quarterEnd(double period, double year)
{
    if (period < 1 || period > 4 || period != std::floor(period) || year < 1 || year > 9999 ||
        year != std::floor(year))
        return {};
    const int month = static_cast<int>(period) * 3;
    return QDate(static_cast<int>(year), month, 1).addMonths(1).addDays(-1);
}

void checkPerson(const TaxRecord& r, const QString& whose, Severity ifEmpty, Findings& out)
{
    const QString field = QStringLiteral("TIN");
    if (r.tin.isEmpty()) {
        if (ifEmpty == Severity::Warning)
            out.push_back(
                about(r, Severity::Warning, field, r.tin,
                      QStringLiteral("У записі %1 немає ідентифікаційного номера.").arg(whose)));
        return;
    }
    const QString problem = individualNumberProblem(r.tin);
    if (!problem.isEmpty())
        out.push_back(about(r, Severity::Error, field, r.tin,
                            QStringLiteral("Ідентифікаційний номер %1 %2.").arg(whose, problem)));
}

// An amount field in whole kopecks. Below 2^43 (some 8.8e12) a double read from a text with two
// decimals, times 100 and rounded, is exactly the kopecks the text says; beyond that, or with
// more decimals, the text itself is read.
qint64 kopecks(const dbase::Table& table, const QString& field)
{
    const double value = table.asFloat(field);
    const double scaled = value * 100;
    const double whole = std::round(scaled);
    if (std::fabs(value) < 8.0e12 && std::fabs(scaled - whole) < 1e-3)
        return static_cast<qint64>(whole);
    return kopecksOf(table.asText(field));
}

// A person's income row as one number, when the identification number is all digits and the
// row a small whole number (nearly always); 0 otherwise.
quint64 rowNumber(const TaxRecord& r)
{
    if (r.tin.isEmpty() || r.tin.size() > 15 || !(r.oznDox >= 0 && r.oznDox < 100) ||
        r.oznDox != std::floor(r.oznDox))
        return 0;
    quint64 n = 1; // a leading 1 keeps the number's leading zeros apart
    for (const QChar c : r.tin) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        n = n * 10 + static_cast<quint64>(c.unicode() - '0');
    }
    return n * 100 + static_cast<quint64>(r.oznDox);
}

} // namespace

bool isEmployeeRecord(const TaxRecord& record)
{
    return record.np >= 1 && record.np < taxfile::directorNp && record.np == std::floor(record.np);
}

qint64 kopecksOf(const QString& text)
{
    auto bad = [&] { return core::Error(QStringLiteral("'%1' is not a valid amount").arg(text)); };
    if (text.isEmpty()) // a blank field reads as 0
        return 0;
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    qint64 kopecks = 0;
    int decimals = -1; // digits seen after the point; -1 before it
    bool roundUp = false, digits = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if ((c == QLatin1Char('.') || c == QLatin1Char(',')) && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            throw bad();
        digits = true;
        const int d = c.unicode() - '0';
        if (decimals >= 2) {
            if (decimals == 2)
                roundUp = d >= 5;
            ++decimals;
            continue;
        }
        if (__builtin_mul_overflow(kopecks, 10, &kopecks) ||
            __builtin_add_overflow(kopecks, d, &kopecks))
            throw bad();
        if (decimals >= 0)
            ++decimals;
    }
    if (!digits)
        throw bad();
    for (int d = std::max(decimals, 0); d < 2; ++d)
        if (__builtin_mul_overflow(kopecks, 10, &kopecks))
            throw bad();
    if (roundUp && __builtin_add_overflow(kopecks, 1, &kopecks))
        throw bad();
    return negative ? -kopecks : kopecks;
}

QString amountText(qint64 kopecks)
{
    const quint64 magnitude =
        kopecks < 0 ? 0 - static_cast<quint64>(kopecks) : static_cast<quint64>(kopecks);
    QString whole = QString::number(magnitude / 100);
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
        whole.insert(at, QLatin1Char(' '));
    return QStringLiteral("%1%2,%3")
        .arg(kopecks < 0 ? QStringLiteral("-") : QString(), whole)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

TaxRecords readTaxRecords(const QString& path)
{
    const QFileInfo info(path);
    dbase::Table table(QStringLiteral("DA"), taxfile::taxFileFields());
    table.open(info.absolutePath() + QLatin1Char('/'), info.fileName());
    const QString NP = QStringLiteral("NP"), PERIOD = QStringLiteral("PERIOD"),
                  RIK = QStringLiteral("RIK"), KOD = QStringLiteral("KOD"),
                  TYP = QStringLiteral("TYP"), TIN = QStringLiteral("TIN"),
                  S_DOX = QStringLiteral("S_DOX"), S_TAX = QStringLiteral("S_TAX"),
                  OZN_DOX = QStringLiteral("OZN_DOX"), D_PRIYN = QStringLiteral("D_PRIYN"),
                  D_ZVILN = QStringLiteral("D_ZVILN");
    TaxRecords records;
    records.reserve(static_cast<std::size_t>(table.recordCount()));
    qint64 line = 0;
    for (table.first(); !table.eof(); table.next()) {
        TaxRecord r;
        r.line = ++line;
        r.np = table.asFloat(NP);
        r.period = table.asFloat(PERIOD);
        r.rik = table.asFloat(RIK);
        r.kod = table.asText(KOD);
        r.typ = table.asFloat(TYP);
        r.tin = table.asText(TIN);
        try {
            r.dox = kopecks(table, S_DOX);
            r.tax = kopecks(table, S_TAX);
        } catch (const core::Error& e) {
            throw core::Error(
                QStringLiteral("File '%1', record %2: %3").arg(path).arg(line).arg(e.message()));
        }
        r.oznDox = table.asFloat(OZN_DOX);
        r.hired = table.asDate(D_PRIYN);
        r.dismissed = table.asDate(D_ZVILN);
        records.push_back(std::move(r));
    }
    return records;
}

void checkNumbering(const TaxRecords& records, Findings& out)
{
    const QString field = QStringLiteral("NP");
    double expected = 1;  // the next employee record's number
    int nextService = 0;  // index into serviceRecords of the next one due
    qint64 serviceAt = 0; // the line of the first service record
    for (const TaxRecord& r : records) {
        const Kind kind = kindOf(r);
        if (kind == Kind::Employee && serviceAt == 0 && r.np == expected) {
            expected = r.np + 1; // the usual case, quickly
            continue;
        }
        const QString value = numberText(r.np);
        switch (kind) {
        case Kind::Employee:
            if (serviceAt != 0) {
                out.push_back(about(r, Severity::Error, field, value,
                                    QStringLiteral("Запис працівника стоїть після службових "
                                                   "записів: записи 99991, 99992 і 99999 мають "
                                                   "бути в кінці файла.")));
            } else if (r.np != expected) {
                out.push_back(
                    about(r, Severity::Error, field, value,
                          expected == 1
                              ? QStringLiteral("Перший запис працівника має номер %1 замість 1.")
                                    .arg(value)
                              : QStringLiteral("Після запису %1 іде запис %2: записи працівників "
                                               "мають бути пронумеровані підряд, без пропусків.")
                                    .arg(numberText(expected - 1), value)));
            }
            expected = r.np + 1;
            break;
        case Kind::Director:
        case Kind::Chief:
        case Kind::Totals: {
            const int index = serviceIndex(r.np);
            if (serviceAt == 0)
                serviceAt = r.line;
            if (index < nextService) {
                out.push_back(about(r, Severity::Error, field, value,
                                    QStringLiteral("Службовий запис %1 повторюється або стоїть не "
                                                   "на своєму місці: після записів працівників "
                                                   "мають іти 99991, 99992 і 99999, саме в "
                                                   "такому порядку.")
                                        .arg(value)));
                break;
            }
            for (; nextService < index; ++nextService)
                out.push_back(
                    about(r, Severity::Error, field, value,
                          QStringLiteral("Перед записом %1 бракує службового запису %2 (%3).")
                              .arg(value, numberText(serviceRecords[nextService].np),
                                   QString::fromUtf8(serviceRecords[nextService].what))));
            nextService = index + 1;
            break;
        }
        case Kind::Other:
            out.push_back(about(r, Severity::Error, field, value,
                                QStringLiteral("Номер запису %1 неможливий: записи працівників "
                                               "нумеруються 1, 2, 3…, а службові мають номери "
                                               "99991, 99992 і 99999.")
                                    .arg(value)));
            break;
        }
    }
    for (; nextService < 3; ++nextService)
        out.push_back(
            aboutFile(Severity::Error, field,
                      QStringLiteral("У файлі немає службового запису %1 (%2) після записів "
                                     "працівників.")
                          .arg(numberText(serviceRecords[nextService].np),
                               QString::fromUtf8(serviceRecords[nextService].what))));
}

void checkTotals(const TaxRecords& records, Findings& out)
{
    qint64 dox = 0, tax = 0;
    bool overflow = false;
    const TaxRecord* totals = nullptr;
    for (const TaxRecord& r : records) {
        if (isEmployeeRecord(r)) {
            overflow |= __builtin_add_overflow(dox, r.dox, &dox);
            overflow |= __builtin_add_overflow(tax, r.tax, &tax);
        } else if (r.np == taxfile::totalsNp && !totals) {
            totals = &r;
        }
    }
    if (!totals) // its absence is the numbering's finding
        return;
    if (overflow) {
        out.push_back(about(*totals, Severity::Error, QStringLiteral("S_DOX"), {},
                            QStringLiteral("Суми записів працівників такі великі, що їх не "
                                           "можна додати: у файлі, найпевніше, помилка.")));
        return;
    }
    auto compare = [&](const char* field, qint64 stored, qint64 sum, const char* what) {
        if (stored != sum)
            out.push_back(
                about(*totals, Severity::Error, QString::fromLatin1(field), amountText(stored),
                      QStringLiteral("Підсумок %1 у записі 99999 (%2) не дорівнює "
                                     "сумі записів працівників (%3).")
                          .arg(QString::fromUtf8(what), amountText(stored), amountText(sum))));
    };
    compare("S_DOX", totals->dox, dox, "виплаченого доходу");
    compare("S_TAX", totals->tax, tax, "утриманого податку");
}

void checkSameOnEveryRecord(const TaxRecords& records, Findings& out)
{
    if (records.empty())
        return;
    const TaxRecord& first = records.front();
    for (const TaxRecord& r : records) {
        auto differs = [&](const char* field, const QString& value, const QString& firstValue) {
            out.push_back(about(r, Severity::Error, QString::fromLatin1(field), value,
                                QStringLiteral("Поле %1 тут (%2) не таке, як у першому записі "
                                               "файла (%3): у всіх записах воно має бути "
                                               "однаковим.")
                                    .arg(QString::fromLatin1(field), value, firstValue)));
        };
        if (r.period != first.period)
            differs("PERIOD", numberText(r.period), numberText(first.period));
        if (r.rik != first.rik)
            differs("RIK", numberText(r.rik), numberText(first.rik));
        if (r.kod != first.kod)
            differs("KOD", r.kod, first.kod);
        if (r.typ != first.typ)
            differs("TYP", numberText(r.typ), numberText(first.typ));
    }
}

void checkAgentCode(const TaxRecords& records, Findings& out)
{
    // Every record carries the same code; a record that differs is checkSameOnEveryRecord's.
    if (records.empty())
        return;
    const TaxRecord& r = records.front();
    const QString field = QStringLiteral("KOD");
    if (r.typ == 0) {
        const QString problem =
            r.kod.isEmpty() ? QStringLiteral("не вказано") : firmCodeProblem(r.kod);
        if (!problem.isEmpty())
            out.push_back(about(r, Severity::Error, field, r.kod,
                                QStringLiteral("Код податкового агента за ЄДРПОУ%1 %2.")
                                    .arg(quoted(r.kod), problem)));
    } else if (r.typ == 1) {
        const QString problem =
            r.kod.isEmpty() ? QStringLiteral("не вказано") : individualNumberProblem(r.kod);
        if (!problem.isEmpty())
            out.push_back(
                about(r, Severity::Error, field, r.kod,
                      QStringLiteral("Ідентифікаційний номер податкового агента — фізичної "
                                     "особи%1 %2.")
                          .arg(quoted(r.kod), problem)));
    } else {
        out.push_back(about(r, Severity::Error, QStringLiteral("TYP"), numberText(r.typ),
                            QStringLiteral("Вид податкового агента TYP має бути 0 (юридична "
                                           "особа) або 1 (фізична особа), а не %1.")
                                .arg(numberText(r.typ))));
    }
}

void checkPersonNumbers(const TaxRecords& records, Findings& out)
{
    for (const TaxRecord& r : records) {
        switch (kindOf(r)) {
        case Kind::Employee:
            // An employee record without a number is checkMissingTin's warning.
            checkPerson(r, QStringLiteral("працівника"), Severity::Error, out);
            break;
        case Kind::Director:
            checkPerson(r, QStringLiteral("керівника"), Severity::Warning, out);
            break;
        case Kind::Chief:
            checkPerson(r, QStringLiteral("головного бухгалтера"), Severity::Warning, out);
            break;
        case Kind::Totals:
        case Kind::Other:
            break;
        }
    }
}

void checkIncomeRow(const TaxRecords& records, Findings& out)
{
    for (const TaxRecord& r : records)
        if (isEmployeeRecord(r) && !(r.oznDox >= 1 && r.oznDox <= 8))
            out.push_back(about(r, Severity::Warning, QStringLiteral("OZN_DOX"),
                                numberText(r.oznDox),
                                QStringLiteral("Ознака доходу %1 — поза межами від 1 до 8.")
                                    .arg(numberText(r.oznDox))));
}

void checkTaxWithinIncome(const TaxRecords& records, Findings& out)
{
    for (const TaxRecord& r : records)
        if (isEmployeeRecord(r) && r.tax > r.dox)
            out.push_back(about(r, Severity::Warning, QStringLiteral("S_TAX"), amountText(r.tax),
                                QStringLiteral("Утриманий податок (%1) більший за виплачений "
                                               "дохід (%2) цього рядка.")
                                    .arg(amountText(r.tax), amountText(r.dox))));
}

void checkIncomeNotNegative(const TaxRecords& records, Findings& out)
{
    for (const TaxRecord& r : records)
        if (isEmployeeRecord(r) && r.dox < 0)
            out.push_back(
                about(r, Severity::Warning, QStringLiteral("S_DOX"), amountText(r.dox),
                      QStringLiteral("Виплачений дохід від'ємний (%1).").arg(amountText(r.dox))));
}

void checkHiringBeforeDismissal(const TaxRecords& records, Findings& out)
{
    for (const TaxRecord& r : records)
        if (isEmployeeRecord(r) && r.hired.isValid() && r.dismissed.isValid() &&
            r.hired > r.dismissed)
            out.push_back(about(r, Severity::Warning, QStringLiteral("D_PRIYN"), dateText(r.hired),
                                QStringLiteral("Дата прийняття (%1) пізніша за дату звільнення "
                                               "(%2).")
                                    .arg(dateText(r.hired), dateText(r.dismissed))));
}

void checkDatesWithinQuarter(const TaxRecords& records, Findings& out)
{
    if (records.empty())
        return;
    // Quarter and year as the file states them; a record that differs is another rule's.
    const QDate end = quarterEnd(records.front().period, records.front().rik);
    if (!end.isValid())
        return;
    for (const TaxRecord& r : records) {
        if (!isEmployeeRecord(r))
            continue;
        auto late = [&](const char* field, const QDate& date, const char* what) {
            if (date.isValid() && date > end)
                out.push_back(
                    about(r, Severity::Warning, QString::fromLatin1(field), dateText(date),
                          QStringLiteral("Дата %1 (%2) пізніша за кінець звітного "
                                         "кварталу (%3).")
                              .arg(QString::fromUtf8(what), dateText(date), dateText(end))));
        };
        late("D_PRIYN", r.hired, "прийняття");
        late("D_ZVILN", r.dismissed, "звільнення");
    }
}

void checkRepeatedRows(const TaxRecords& records, Findings& out)
{
    auto repeated = [&](const TaxRecord& r, qint64 firstLine) {
        out.push_back(about(r, Severity::Warning, QStringLiteral("TIN"), r.tin,
                            QStringLiteral("Цей ідентифікаційний номер з тією самою ознакою "
                                           "доходу %1 уже є в рядку %2.")
                                .arg(numberText(r.oznDox))
                                .arg(firstLine)));
    };
    // Numeric ones sorted by number and line, so that each repeat follows its first; the rare
    // others (passports, odd rows) in a hash.
    std::vector<std::pair<quint64, const TaxRecord*>> numeric;
    numeric.reserve(records.size());
    QHash<QString, qint64> others;
    for (const TaxRecord& r : records) {
        if (!isEmployeeRecord(r) || r.tin.isEmpty())
            continue;
        if (const quint64 n = rowNumber(r)) {
            numeric.emplace_back(n, &r);
            continue;
        }
        const QString key = r.tin + QLatin1Char('/') + numberText(r.oznDox);
        const auto it = others.constFind(key);
        if (it == others.cend())
            others.insert(key, r.line);
        else
            repeated(r, *it);
    }
    std::sort(numeric.begin(), numeric.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second->line < b.second->line;
    });
    for (std::size_t i = 1, first = 0; i < numeric.size(); ++i) {
        if (numeric[i].first != numeric[first].first)
            first = i;
        else
            repeated(*numeric[i].second, numeric[first].second->line);
    }
}

void checkMissingTin(const TaxRecords& records, Findings& out)
{
    for (const TaxRecord& r : records)
        if (isEmployeeRecord(r) && r.tin.isEmpty())
            out.push_back(about(r, Severity::Warning, QStringLiteral("TIN"), r.tin,
                                QStringLiteral("У записі працівника немає ідентифікаційного "
                                               "номера.")));
}

void checkHasEmployees(const TaxRecords& records, Findings& out)
{
    // Only the service records: a range of employee numbers that names nobody (the first above
    // the last, or numbers the accounting program does not know) gives such a file silently.
    if (std::none_of(records.begin(), records.end(), isEmployeeRecord)) {
        Finding f;
        f.severity = Severity::Warning;
        f.text = QStringLiteral("У файлі немає жодного запису про доходи працівників: перевірте "
                                "інтервал номерів працівників у настройках.");
        out.push_back(f);
    }
}

Findings checkRecords(const TaxRecords& records)
{
    Findings out;
    for (auto rule :
         {checkNumbering, checkTotals, checkSameOnEveryRecord, checkAgentCode, checkPersonNumbers,
          checkIncomeRow, checkTaxWithinIncome, checkIncomeNotNegative, checkHiringBeforeDismissal,
          checkDatesWithinQuarter, checkRepeatedRows, checkMissingTin, checkHasEmployees})
        rule(records, out);
    std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) {
        if (a.severity != b.severity)
            return a.severity == Severity::Error;
        return a.line < b.line;
    });
    return out;
}

Findings checkTaxFile(const QString& path)
{
    return checkRecords(readTaxRecords(path));
}

QString findingLine(const Finding& f)
{
    QString where = f.line > 0 ? QStringLiteral("рядок %1 (NP %2)").arg(f.line).arg(f.np)
                               : QStringLiteral("файл");
    if (!f.tin.isEmpty())
        where += QStringLiteral(", TIN %1").arg(f.tin);
    if (!f.field.isEmpty())
        where += QStringLiteral(", поле %1").arg(f.field);
    return QStringLiteral("%1: %2: %3")
        .arg(where,
             f.severity == Severity::Error ? QStringLiteral("помилка")
                                           : QStringLiteral("попередження"),
             f.text);
}

} // namespace check
