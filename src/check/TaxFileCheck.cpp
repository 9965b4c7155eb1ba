#include "check/TaxFileCheck.h"

#include "core/Error.h"
#include "dbase/Table.h"
#include "taxformat/CheckDigits.h"
#include "taxformat/TaxFileFields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <tuple>

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
    if (r.np == taxformat::directorNp)
        return Kind::Director;
    if (r.np == taxformat::chiefNp)
        return Kind::Chief;
    if (r.np == taxformat::totalsNp)
        return Kind::Totals;
    return Kind::Other;
}

struct ServiceRecord
{
    double np;
    const char* what;
};
constexpr ServiceRecord serviceRecords[] = {
    {taxformat::directorNp, "дані керівника"},
    {taxformat::chiefNp, "дані головного бухгалтера"},
    {taxformat::totalsNp, "підсумки"},
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

template <typename Out>
void checkPerson(const TaxRecord& r, const QString& whose, Severity ifEmpty, Out& out)
{
    const QString field = QStringLiteral("TIN");
    if (r.tin.isEmpty()) {
        if (ifEmpty == Severity::Warning)
            out.push_back(
                about(r, Severity::Warning, field, r.tin,
                      QStringLiteral("У записі %1 немає ідентифікаційного номера.").arg(whose)));
        return;
    }
    const QString problem = taxformat::individualNumberProblem(r.tin);
    if (!problem.isEmpty())
        out.push_back(about(r, Severity::Error, field, r.tin,
                            QStringLiteral("Ідентифікаційний номер %1 %2.").arg(whose, problem)));
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

std::optional<Amount> amountOf(const std::optional<dbase::codec::Decimal>& stored)
{
    if (!stored)
        return std::nullopt;
    Amount a{stored->units, stored->decimals};
    while (a.decimals > 0 && a.units % 10 == 0) {
        a.units /= 10;
        --a.decimals;
    }
    if (a.decimals > 18)
        return std::nullopt;
    return a;
}

namespace {

constexpr qint64 powerOfTen(int n) // n at most 18
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// A sum of amounts, exact: it takes the most decimals of what it adds. A sum beyond 64 bits at
// those decimals is flagged, never wrapped.
struct AmountSum
{
    qint64 units = 0;
    int decimals = 0;
    bool overflow = false;

    void add(const Amount& a)
    {
        if (a.decimals > decimals) {
            overflow |= __builtin_mul_overflow(units, powerOfTen(a.decimals - decimals), &units);
            decimals = a.decimals;
        }
        qint64 scaled = 0;
        overflow |= __builtin_mul_overflow(a.units, powerOfTen(decimals - a.decimals), &scaled);
        overflow |= __builtin_add_overflow(units, scaled, &units);
    }
};

// Negative, zero or positive as a is below, equal to or above b, both at their own decimals.
int compareScaled(qint64 a, int aDecimals, qint64 b, int bDecimals)
{
    const int decimals = std::max(aDecimals, bDecimals);
    qint64 x = 0, y = 0;
    const bool xOver = __builtin_mul_overflow(a, powerOfTen(decimals - aDecimals), &x);
    const bool yOver = __builtin_mul_overflow(b, powerOfTen(decimals - bDecimals), &y);
    // Only the side brought to more decimals can overflow, and then it is the larger in size.
    if (xOver)
        return a < 0 ? -1 : 1;
    if (yOver)
        return b < 0 ? 1 : -1;
    return x < y ? -1 : (x > y ? 1 : 0);
}

QString scaledAmountText(qint64 units, int decimals)
{
    const bool negative = units < 0;
    const quint64 magnitude =
        negative ? quint64(0) - static_cast<quint64>(units) : static_cast<quint64>(units);
    const int shown = std::max(decimals, 2);
    QString digits = QString::number(magnitude) + QString(shown - decimals, QLatin1Char('0'));
    while (digits.size() <= shown)
        digits.prepend(QLatin1Char('0'));
    QString whole = digits.left(digits.size() - shown);
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
        whole.insert(at, QLatin1Char(' '));
    return (negative ? QStringLiteral("-") : QString()) + whole + QLatin1Char(',') +
           digits.right(shown);
}

} // namespace

int compareAmounts(const Amount& a, const Amount& b)
{
    return compareScaled(a.units, a.decimals, b.units, b.decimals);
}

QString amountText(const Amount& amount)
{
    return scaledAmountText(amount.units, amount.decimals);
}

void readTaxRecords(const QByteArray& nativePath, const std::function<void(const TaxRecord&)>& take,
                    const std::function<void(const dbase::DbfHeader&)>& opened)
{
    dbase::Table table(QStringLiteral("DA"), taxformat::taxFileFields());
    table.open(nativePath, dbase::Table::OpenMode::ReadOnly);
    if (opened)
        opened(table.header());
    const QString NP = QStringLiteral("NP"), PERIOD = QStringLiteral("PERIOD"),
                  RIK = QStringLiteral("RIK"), KOD = QStringLiteral("KOD"),
                  TYP = QStringLiteral("TYP"), TIN = QStringLiteral("TIN"),
                  S_DOX = QStringLiteral("S_DOX"), S_TAX = QStringLiteral("S_TAX"),
                  OZN_DOX = QStringLiteral("OZN_DOX"), D_PRIYN = QStringLiteral("D_PRIYN"),
                  D_ZVILN = QStringLiteral("D_ZVILN");
    const QString shown = QDir::toNativeSeparators(QFile::decodeName(nativePath));
    TaxRecord r;
    qint64 line = 0;
    for (table.first(); !table.eof(); table.next()) {
        r.line = ++line;
        r.np = table.asFloat(NP);
        r.period = table.asFloat(PERIOD);
        r.rik = table.asFloat(RIK);
        r.kod = table.asText(KOD);
        r.typ = table.asFloat(TYP);
        r.tin = table.asText(TIN);
        const auto amount = [&](const QString& field) {
            const std::optional<Amount> a = amountOf(table.asDecimal(field));
            if (!a)
                throw core::Error(QStringLiteral("File '%1', record %2: '%3' is not a valid amount")
                                      .arg(shown)
                                      .arg(line)
                                      .arg(table.asText(field)));
            return *a;
        };
        r.dox = amount(S_DOX);
        r.tax = amount(S_TAX);
        r.oznDox = table.asFloat(OZN_DOX);
        r.hired = table.asDate(D_PRIYN);
        r.dismissed = table.asDate(D_ZVILN);
        take(r);
    }
}

TaxRecords readTaxRecords(const QString& path)
{
    TaxRecords records;
    readTaxRecords(QFile::encodeName(path), [&](const TaxRecord& r) { records.push_back(r); });
    return records;
}

namespace {

// What one rule found: at most findingsPerRule findings kept, the rest only counted.
struct Found
{
    Findings kept;
    qint64 moreErrors = 0;
    qint64 moreWarnings = 0;

    void push_back(Finding f)
    {
        if (kept.size() < static_cast<std::size_t>(TaxFileChecker::findingsPerRule))
            kept.push_back(std::move(f));
        else
            ++(f.severity == Severity::Error ? moreErrors : moreWarnings);
    }
};

struct Numbering
{
    double expected = 1;  // the next employee record's number
    int nextService = 0;  // index into serviceRecords of the next one due
    qint64 serviceAt = 0; // the line of the first service record

    void add(const TaxRecord& r, Found& out)
    {
        const Kind kind = kindOf(r);
        if (kind == Kind::Employee && serviceAt == 0 && r.np == expected) {
            expected = r.np + 1; // the usual case, quickly
            return;
        }
        switch (kind) {
        case Kind::Employee:
            addEmployee(r, out);
            break;
        case Kind::Director:
        case Kind::Chief:
        case Kind::Totals:
            addService(r, out);
            break;
        case Kind::Other:
            out.push_back(about(r, Severity::Error, QStringLiteral("NP"), numberText(r.np),
                                QStringLiteral("Номер запису %1 неможливий: записи працівників "
                                               "нумеруються 1, 2, 3…, а службові мають номери "
                                               "99991, 99992 і 99999.")
                                    .arg(numberText(r.np))));
            break;
        }
    }

    void addEmployee(const TaxRecord& r, Found& out)
    {
        const QString field = QStringLiteral("NP");
        const QString value = numberText(r.np);
        if (serviceAt != 0) {
            out.push_back(about(r, Severity::Error, field, value,
                                QStringLiteral("Запис працівника стоїть після службових "
                                               "записів: записи 99991, 99992 і 99999 мають "
                                               "бути в кінці файла.")));
        } else if (r.np != expected) {
            out.push_back(about(
                r, Severity::Error, field, value,
                expected == 1
                    ? QStringLiteral("Перший запис працівника має номер %1 замість 1.").arg(value)
                    : QStringLiteral("Після запису %1 іде запис %2: записи працівників "
                                     "мають бути пронумеровані підряд, без пропусків.")
                          .arg(numberText(expected - 1), value)));
        }
        expected = r.np + 1;
    }

    void addService(const TaxRecord& r, Found& out)
    {
        const QString field = QStringLiteral("NP");
        const QString value = numberText(r.np);
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
            return;
        }
        for (; nextService < index; ++nextService)
            out.push_back(about(r, Severity::Error, field, value,
                                QStringLiteral("Перед записом %1 бракує службового запису %2 (%3).")
                                    .arg(value, numberText(serviceRecords[nextService].np),
                                         QString::fromUtf8(serviceRecords[nextService].what))));
        nextService = index + 1;
    }

    void finish(Found& out)
    {
        for (; nextService < 3; ++nextService)
            out.push_back(
                aboutFile(Severity::Error, QStringLiteral("NP"),
                          QStringLiteral("У файлі немає службового запису %1 (%2) після записів "
                                         "працівників.")
                              .arg(numberText(serviceRecords[nextService].np),
                                   QString::fromUtf8(serviceRecords[nextService].what))));
    }
};

struct Totals
{
    AmountSum dox, tax;
    std::optional<TaxRecord> totals; // the first totals record

    void add(const TaxRecord& r, Found&)
    {
        if (isEmployeeRecord(r)) {
            dox.add(r.dox);
            tax.add(r.tax);
        } else if (r.np == taxformat::totalsNp && !totals) {
            totals = r;
        }
    }

    void finish(Found& out)
    {
        if (!totals) // its absence is the numbering's finding
            return;
        if (dox.overflow || tax.overflow) {
            out.push_back(about(*totals, Severity::Error, QStringLiteral("S_DOX"), {},
                                QStringLiteral("Суми записів працівників такі великі, що їх не "
                                               "можна додати: у файлі, найпевніше, помилка.")));
            return;
        }
        auto compare = [&](const char* field, const Amount& stored, const AmountSum& sum,
                           const char* what) {
            if (compareScaled(stored.units, stored.decimals, sum.units, sum.decimals) != 0)
                out.push_back(about(*totals, Severity::Error, QString::fromLatin1(field),
                                    amountText(stored),
                                    QStringLiteral("Підсумок %1 у записі 99999 (%2) не дорівнює "
                                                   "сумі записів працівників (%3).")
                                        .arg(QString::fromUtf8(what), amountText(stored),
                                             scaledAmountText(sum.units, sum.decimals))));
        };
        compare("S_DOX", totals->dox, dox, "виплаченого доходу");
        compare("S_TAX", totals->tax, tax, "утриманого податку");
    }
};

struct SameOnEveryRecord
{
    std::optional<TaxRecord> first;

    void add(const TaxRecord& r, Found& out)
    {
        if (!first) {
            first = r;
            return;
        }
        auto differs = [&](const char* field, const QString& value, const QString& firstValue) {
            out.push_back(about(r, Severity::Error, QString::fromLatin1(field), value,
                                QStringLiteral("Поле %1 тут (%2) не таке, як у першому записі "
                                               "файла (%3): у всіх записах воно має бути "
                                               "однаковим.")
                                    .arg(QString::fromLatin1(field), value, firstValue)));
        };
        if (r.period != first->period)
            differs("PERIOD", numberText(r.period), numberText(first->period));
        if (r.rik != first->rik)
            differs("RIK", numberText(r.rik), numberText(first->rik));
        if (r.kod != first->kod)
            differs("KOD", r.kod, first->kod);
        if (r.typ != first->typ)
            differs("TYP", numberText(r.typ), numberText(first->typ));
    }
    void finish(Found&) {}
};

struct AgentCode
{
    bool seen = false;

    // Every record carries the same code; a record that differs is SameOnEveryRecord's.
    void add(const TaxRecord& r, Found& out)
    {
        if (seen)
            return;
        seen = true;
        const QString field = QStringLiteral("KOD");
        if (r.typ == 0) {
            const QString problem =
                r.kod.isEmpty() ? QStringLiteral("не вказано") : taxformat::firmCodeProblem(r.kod);
            if (!problem.isEmpty())
                out.push_back(about(r, Severity::Error, field, r.kod,
                                    QStringLiteral("Код податкового агента за ЄДРПОУ%1 %2.")
                                        .arg(quoted(r.kod), problem)));
        } else if (r.typ == 1) {
            const QString problem = r.kod.isEmpty() ? QStringLiteral("не вказано")
                                                    : taxformat::individualNumberProblem(r.kod);
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
    void finish(Found&) {}
};

struct PersonNumbers
{
    void add(const TaxRecord& r, Found& out)
    {
        switch (kindOf(r)) {
        case Kind::Employee:
            // An employee record without a number is MissingTin's warning.
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
    void finish(Found&) {}
};

// The per-record warnings about an employee record.
template <typename Test> struct EmployeeWarning
{
    Test test;
    void add(const TaxRecord& r, Found& out)
    {
        if (isEmployeeRecord(r))
            test(r, out);
    }
    void finish(Found&) {}
};

const auto incomeRow = [](const TaxRecord& r, Found& out) {
    if (!(r.oznDox >= 1 && r.oznDox <= 8))
        out.push_back(about(r, Severity::Warning, QStringLiteral("OZN_DOX"), numberText(r.oznDox),
                            QStringLiteral("Ознака доходу %1 — поза межами від 1 до 8.")
                                .arg(numberText(r.oznDox))));
};

const auto taxWithinIncome = [](const TaxRecord& r, Found& out) {
    if (compareAmounts(r.tax, r.dox) > 0)
        out.push_back(about(r, Severity::Warning, QStringLiteral("S_TAX"), amountText(r.tax),
                            QStringLiteral("Утриманий податок (%1) більший за виплачений "
                                           "дохід (%2) цього рядка.")
                                .arg(amountText(r.tax), amountText(r.dox))));
};

const auto incomeNotNegative = [](const TaxRecord& r, Found& out) {
    if (r.dox.units < 0)
        out.push_back(
            about(r, Severity::Warning, QStringLiteral("S_DOX"), amountText(r.dox),
                  QStringLiteral("Виплачений дохід від'ємний (%1).").arg(amountText(r.dox))));
};

const auto hiringBeforeDismissal = [](const TaxRecord& r, Found& out) {
    if (r.hired.isValid() && r.dismissed.isValid() && r.hired > r.dismissed)
        out.push_back(about(r, Severity::Warning, QStringLiteral("D_PRIYN"), dateText(r.hired),
                            QStringLiteral("Дата прийняття (%1) пізніша за дату звільнення "
                                           "(%2).")
                                .arg(dateText(r.hired), dateText(r.dismissed))));
};

const auto missingTin = [](const TaxRecord& r, Found& out) {
    if (r.tin.isEmpty())
        out.push_back(about(r, Severity::Warning, QStringLiteral("TIN"), r.tin,
                            QStringLiteral("У записі працівника немає ідентифікаційного "
                                           "номера.")));
};

struct DatesWithinQuarter
{
    bool seen = false;
    QDate end; // of the quarter and year the first record states; a record that differs is
               // another rule's

    void add(const TaxRecord& r, Found& out)
    {
        if (!seen) {
            seen = true;
            end = quarterEnd(r.period, r.rik);
        }
        if (!end.isValid() || !isEmployeeRecord(r))
            return;
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
    void finish(Found&) {}
};

struct RepeatedRows
{
    // Numeric ones kept as numbers and sorted at the end, so that each repeat follows its
    // first; the rare others (passports, odd rows) in a hash. Both hold at most one entry per
    // employee record, and a return has at most mostEmployeeRecords of them.
    struct Row
    {
        quint64 key;  // the number and the income row as one number
        quint32 line; // a table counts its records in 32 bits
        quint32 np;   // an employee record's, 1 to 99990
        bool operator<(const Row& o) const { return key != o.key ? key < o.key : line < o.line; }
    };
    std::vector<Row> numeric;
    QHash<QString, qint64> others;

    static void repeated(const TaxRecord& r, qint64 firstLine, Found& out)
    {
        out.push_back(about(r, Severity::Warning, QStringLiteral("TIN"), r.tin,
                            QStringLiteral("Цей ідентифікаційний номер з тією самою ознакою "
                                           "доходу %1 уже є в рядку %2.")
                                .arg(numberText(r.oznDox))
                                .arg(firstLine)));
    }

    void add(const TaxRecord& r, Found& out)
    {
        if (!isEmployeeRecord(r) || r.tin.isEmpty())
            return;
        if (const quint64 n = rowNumber(r)) {
            if (numeric.empty())
                numeric.reserve(mostEmployeeRecords); // some 2 MB, never more
            numeric.push_back({n, static_cast<quint32>(r.line), static_cast<quint32>(r.np)});
            return;
        }
        const QString key = r.tin + QLatin1Char('/') + numberText(r.oznDox);
        const auto it = others.constFind(key);
        if (it == others.cend())
            others.insert(key, r.line);
        else
            repeated(r, *it, out);
    }

    void finish(Found& out)
    {
        std::sort(numeric.begin(), numeric.end());
        std::vector<std::pair<Row, qint64>> repeats; // the repeat and its first line
        for (std::size_t i = 1, first = 0; i < numeric.size(); ++i) {
            if (numeric[i].key != numeric[first].key)
                first = i;
            else
                repeats.emplace_back(numeric[i], numeric[first].line);
        }
        std::sort(repeats.begin(), repeats.end(),
                  [](const auto& a, const auto& b) { return a.first.line < b.first.line; });
        for (const auto& [row, firstLine] : repeats) {
            // The record itself is gone; what the finding shows of it follows from its key.
            TaxRecord r;
            r.line = row.line;
            r.np = row.np;
            r.oznDox = static_cast<double>(row.key % 100);
            r.tin = QString::number(row.key / 100).mid(1);
            repeated(r, firstLine, out);
        }
    }
};

struct HasEmployees
{
    bool any = false;
    void add(const TaxRecord& r, Found&) { any = any || isEmployeeRecord(r); }
    void finish(Found& out)
    {
        // Only the service records: a range of employee numbers that names nobody (the first
        // above the last, or numbers the accounting program does not know) gives such a file
        // silently.
        if (any)
            return;
        Finding f;
        f.severity = Severity::Warning;
        f.text = QStringLiteral("У файлі немає жодного запису про доходи працівників: перевірте "
                                "інтервал номерів працівників у настройках.");
        out.push_back(f);
    }
};

// The file's own name: "DA", the region and tax-office codes and the file number, two digits
// each, then the quarter as the extension; and that quarter is the records' PERIOD. A name made
// from settings with empty or one-digit codes ("DA01.3") is taken by nobody.
struct FileName
{
    QString name; // empty when the records come from no file
    std::optional<double> period;

    void add(const TaxRecord& r, Found&)
    {
        if (!period)
            period = r.period;
    }
    void finish(Found& out)
    {
        if (name.isEmpty())
            return;
        static const QRegularExpression pattern(
            QStringLiteral("^DA[0-9]{4}(0[1-9]|[1-9][0-9])\\.[1-4]$"),
            QRegularExpression::CaseInsensitiveOption);
        if (!pattern.match(name).hasMatch())
            out.push_back(aboutFile(
                Severity::Warning, {},
                QStringLiteral("Ім'я файла «%1» не відповідає зразку: DA, код області, код "
                               "податкового органу і номер файла (по дві цифри), крапка і номер "
                               "кварталу, наприклад DA071401.3.")
                    .arg(name)));
        if (!period)
            return;
        const qsizetype dot = name.lastIndexOf(u'.');
        const QString extension = dot < 0 ? QString() : name.mid(dot + 1);
        if (extension != numberText(*period))
            out.push_back(aboutFile(
                Severity::Warning, QStringLiteral("PERIOD"),
                QStringLiteral("Розширення імені файла (%1) не збігається з кварталом у записах "
                               "(PERIOD %2).")
                    .arg(extension.isEmpty() ? QStringLiteral("немає")
                                             : QStringLiteral(".") + extension,
                         numberText(*period))));
    }
};

QString countedRest(qint64 more, Severity severity)
{
    return QStringLiteral("Ще %1 %2 того самого роду не показано.")
        .arg(more)
        .arg(severity == Severity::Error ? QStringLiteral("помилок")
                                         : QStringLiteral("попереджень"));
}

} // namespace

struct TaxFileChecker::Impl
{
    std::tuple<Numbering, Totals, SameOnEveryRecord, AgentCode, PersonNumbers,
               EmployeeWarning<decltype(incomeRow)>, EmployeeWarning<decltype(taxWithinIncome)>,
               EmployeeWarning<decltype(incomeNotNegative)>,
               EmployeeWarning<decltype(hiringBeforeDismissal)>, DatesWithinQuarter, RepeatedRows,
               EmployeeWarning<decltype(missingTin)>, HasEmployees, FileName>
        rules{{},
              {},
              {},
              {},
              {},
              {incomeRow},
              {taxWithinIncome},
              {incomeNotNegative},
              {hiringBeforeDismissal},
              {},
              {},
              {missingTin},
              {},
              {}};
    std::array<Found, std::tuple_size_v<decltype(rules)>> found;
    qint64 employees = 0;
};

TaxFileChecker::TaxFileChecker() : m_impl(std::make_unique<Impl>()) {}

TaxFileChecker::~TaxFileChecker() = default;

void TaxFileChecker::setFileName(const QString& name)
{
    std::get<FileName>(m_impl->rules).name = name;
}

void TaxFileChecker::add(const TaxRecord& record)
{
    Impl& d = *m_impl;
    if (isEmployeeRecord(record) && ++d.employees > mostEmployeeRecords)
        throw core::Error(QStringLiteral("файл не може бути податковим розрахунком: у ньому "
                                         "понад %1 записів працівників, а їх номери NP — від 1 "
                                         "до %1.")
                              .arg(mostEmployeeRecords));
    std::apply(
        [&](auto&... rule) {
            std::size_t i = 0;
            (rule.add(record, d.found[i++]), ...);
        },
        d.rules);
}

Findings TaxFileChecker::finish()
{
    Impl& d = *m_impl;
    std::apply(
        [&](auto&... rule) {
            std::size_t i = 0;
            (rule.finish(d.found[i++]), ...);
        },
        d.rules);
    Findings errors, warnings, errorCounts, warningCounts;
    for (const Found& f : d.found) {
        for (const Finding& one : f.kept)
            (one.severity == Severity::Error ? errors : warnings).push_back(one);
        for (const auto& [more, severity, into] :
             {std::tuple{f.moreErrors, Severity::Error, &errorCounts},
              std::tuple{f.moreWarnings, Severity::Warning, &warningCounts}}) {
            if (more == 0)
                continue;
            // Named after the kind of the findings shown before it.
            const auto shown = std::find_if(f.kept.begin(), f.kept.end(), [&](const Finding& k) {
                return k.severity == severity;
            });
            into->push_back(aboutFile(severity, shown != f.kept.end() ? shown->field : QString(),
                                      countedRest(more, severity)));
        }
    }
    const auto byLine = [](const Finding& a, const Finding& b) { return a.line < b.line; };
    std::stable_sort(errors.begin(), errors.end(), byLine);
    std::stable_sort(warnings.begin(), warnings.end(), byLine);
    Findings out = std::move(errors);
    out.insert(out.end(), errorCounts.begin(), errorCounts.end());
    out.insert(out.end(), warnings.begin(), warnings.end());
    out.insert(out.end(), warningCounts.begin(), warningCounts.end());
    return out;
}

Findings checkRecords(const TaxRecords& records)
{
    TaxFileChecker checker;
    for (const TaxRecord& r : records)
        checker.add(r);
    return checker.finish();
}

Findings headerFindings(const dbase::DbfHeader& header)
{
    Findings found;
    const auto warn = [&](const QString& field, const QString& text) {
        found.push_back(aboutFile(Severity::Warning, field, text));
    };
    // Version 3 is dBase III without memo, as the form's template; 0xC9 is Windows-1251.
    if (header.version != 0x03)
        warn({}, QStringLiteral("байт версії 0x%1, а не 0x03 (dBase III): інші програми можуть "
                                "прочитати файл інакше")
                     .arg(header.version, 2, 16, QLatin1Char('0')));
    if (header.codePage != 0xC9)
        warn({}, QStringLiteral("байт кодової сторінки 0x%1, а не 0xC9 (Windows-1251): інші "
                                "програми можуть прочитати тексти інакше")
                     .arg(header.codePage, 2, 16, QLatin1Char('0')));
    for (const QString& difference : taxformat::layoutDifferences(header.fields))
        warn(difference.section(u':', 0, 0),
             QStringLiteral("поле описане не так, як у формі: %1").arg(difference));
    return found;
}

Findings checkTaxFileNamed(const QByteArray& nativePath)
{
    TaxFileChecker checker;
    checker.setFileName(QFileInfo(QFile::decodeName(nativePath)).fileName());
    Findings fromHeader;
    readTaxRecords(
        nativePath, [&](const TaxRecord& r) { checker.add(r); },
        [&](const dbase::DbfHeader& header) { fromHeader = headerFindings(header); });
    Findings out = checker.finish();
    // The file's own warnings lead the warnings, after the errors.
    const auto firstWarning = std::find_if(
        out.begin(), out.end(), [](const Finding& f) { return f.severity == Severity::Warning; });
    out.insert(firstWarning, fromHeader.begin(), fromHeader.end());
    return out;
}

Findings checkTaxFile(const QString& path)
{
    return checkTaxFileNamed(QFile::encodeName(path));
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
