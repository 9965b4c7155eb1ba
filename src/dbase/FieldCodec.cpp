#include "dbase/FieldCodec.h"

#include "core/Cp1251.h"
#include "core/Error.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace dbase::codec {

namespace {

QString describe(const DbfField& field)
{
    return QStringLiteral("%1 %2.%3")
        .arg(QChar::fromLatin1(field.type))
        .arg(field.width)
        .arg(field.decimals);
}

// Puts the decimal point into a string of integer digits scaled by 10^decimals.
QByteArray withPoint(QByteArray digits, int decimals, bool negative)
{
    while (digits.size() <= decimals)
        digits.prepend('0');
    if (decimals > 0)
        digits.insert(digits.size() - decimals, '.');
    bool zero = true;
    for (char c : digits)
        if (c >= '1' && c <= '9')
            zero = false;
    if (negative && !zero)
        digits.prepend('-');
    return digits;
}

QByteArray rightAligned(const DbfField& field, const QByteArray& text, const QString& shown)
{
    if (text.size() > field.width)
        throw core::Error(QStringLiteral("Value %1 does not fit field '%2' (%3)")
                              .arg(core::shownValue(shown), field.name, describe(field)));
    return QByteArray(field.width - text.size(), ' ') + text;
}

// `value` rounded half away from zero to `decimals` places, as digits with a point. The double
// is first taken to 15 significant digits, so that what was typed as 0.125 or 1.005 rounds as
// typed rather than as its binary neighbour.
QByteArray fixed(double value, int decimals)
{
    // to_chars, unlike printf, never takes a separator from the C library's locale.
    char buf[64];
    const auto written =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    // buf: d.dddddddddddddde[+-]XX[X]
    QByteArray digits;
    digits.append(buf[0]);
    digits.append(buf + 2, 14);
    const char* exponentText = buf + 17;
    if (*exponentText == '+')
        ++exponentText;
    int exponent = 0;
    std::from_chars(exponentText, written.ptr, exponent);
    const int integerDigits = exponent + 1;    // digits before the point
    const int keep = integerDigits + decimals; // digits of the scaled integer
    QByteArray scaled;
    if (keep <= 0) {
        // Everything is below the last kept place; only a 5 right at it rounds up.
        scaled = (keep == 0 && digits[0] >= '5') ? QByteArray("1") : QByteArray("0");
    } else if (keep >= digits.size()) {
        scaled = digits + QByteArray(keep - digits.size(), '0');
    } else {
        scaled = digits.left(keep);
        if (digits[keep] >= '5') {
            int i = scaled.size() - 1;
            while (i >= 0 && scaled[i] == '9')
                scaled[i--] = '0';
            if (i < 0)
                scaled.prepend('1');
            else
                scaled[i] = static_cast<char>(scaled[i] + 1);
        }
    }
    while (scaled.size() > 1 && scaled[0] == '0')
        scaled.remove(0, 1);
    return withPoint(scaled, decimals, value < 0);
}

void requireType(const DbfField& field, bool ok, const QString& expecting)
{
    if (!ok)
        throw core::Error(QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                              .arg(field.name, expecting, kindName(field)));
}

// A field's bytes as a message quotes them: blanks around taken off, a NUL shown as "\0".
QString shownBytes(const QByteArray& bytes)
{
    return core::cp1251::decode(bytes).trimmed().replace(QChar(0), QStringLiteral("\\0"));
}

[[noreturn]] void badValue(const DbfField& field, const QByteArray& bytes, const char* what)
{
    throw core::Error(QStringLiteral("Field '%1' holds '%2', which is not %3")
                          .arg(field.name, shownBytes(bytes), QString::fromLatin1(what)));
}

} // namespace

QString kindName(const DbfField& field)
{
    switch (field.type) {
    case 'C':
        return QStringLiteral("String");
    case 'N':
    case 'F':
        if (field.decimals == 0 && field.width <= 4)
            return QStringLiteral("Smallint");
        if (field.decimals == 0 && field.width <= 9)
            return QStringLiteral("Integer");
        return QStringLiteral("Float");
    case 'D':
        return QStringLiteral("Date");
    case 'L':
        return QStringLiteral("Boolean");
    case 'M':
        return QStringLiteral("Memo");
    default:
        return QStringLiteral("Unknown");
    }
}

QByteArray formatNumber(const DbfField& field, double value)
{
    requireType(field, field.type == 'N' || field.type == 'F', QStringLiteral("Float"));
    if (!std::isfinite(value))
        throw core::Error(QStringLiteral("Value %1 does not fit field '%2' (%3)")
                              .arg(QString::number(value), field.name, describe(field)));
    const QByteArray text = fixed(value, field.decimals);
    return rightAligned(field, text, QString::fromLatin1(text));
}

QByteArray formatWhole(const DbfField& field, std::int64_t value)
{
    requireType(field, field.type == 'N' || field.type == 'F', QStringLiteral("Float"));
    const bool negative = value < 0;
    // The magnitude without overflow, even for the most negative value.
    const std::uint64_t magnitude =
        negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    QByteArray digits = QByteArray::number(static_cast<qulonglong>(magnitude));
    digits.append(QByteArray(field.decimals, '0'));
    const QByteArray text = withPoint(digits, field.decimals, negative);
    return rightAligned(field, text, QString::number(value));
}

bool isBlank(const QByteArray& bytes)
{
    for (char c : bytes)
        if (c != ' ' && c != '\0')
            return false;
    return true;
}

namespace {

// A number's text where it stands, right-aligned after blanks: `[blanks][-]digits[.digits]`,
// with no more decimals than the field declares, and nothing else. Other readers of the file
// part ways on anything looser (a comma, NUL padding, a "+", more decimals, blanks after it), so
// it is refused rather than read one way of several. Read without copies: the check reads every
// number of large files.
struct NumberText
{
    const char* digits = nullptr; // after the sign
    const char* end = nullptr;
    const char* point = nullptr; // the '.', if any
    bool negative = false;
    bool blank = true;
};

NumberText scanNumber(const DbfField& field, const QByteArray& bytes)
{
    NumberText n;
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    while (begin < end && *begin == ' ')
        ++begin;
    if (begin == end)
        return n;
    n.blank = false;
    n.negative = *begin == '-';
    if (n.negative)
        ++begin;
    n.digits = begin;
    n.end = end;
    const char* p = begin;
    while (p < end && *p >= '0' && *p <= '9')
        ++p;
    if (p == begin)
        badValue(field, bytes, "a number");
    if (p < end && *p == '.') {
        n.point = p++;
        const char* fraction = p;
        while (p < end && *p >= '0' && *p <= '9')
            ++p;
        if (p == fraction)
            badValue(field, bytes, "a number");
        if (p - fraction > field.decimals)
            throw core::Error(QStringLiteral("Field '%1' holds '%2', which has more decimals than "
                                             "the field's %3")
                                  .arg(field.name, shownBytes(bytes))
                                  .arg(field.decimals));
    }
    if (p != end)
        badValue(field, bytes, "a number");
    return n;
}

} // namespace

double parseNumber(const DbfField& field, const QByteArray& bytes)
{
    const NumberText n = scanNumber(field, bytes);
    if (n.blank)
        return 0;
    const auto length = static_cast<std::size_t>(n.end - n.digits);
    if (!n.point && length <= 15) {
        // A whole number of up to 15 digits is exact as a double: no conversion needed.
        std::int64_t whole = 0;
        for (const char* d = n.digits; d < n.end; ++d)
            whole = whole * 10 + (*d - '0');
        return static_cast<double>(n.negative ? -whole : whole);
    }
    char text[256]; // a field is at most 254 bytes wide
    if (length > sizeof text)
        badValue(field, bytes, "a number");
    std::memcpy(text, n.digits, length);
    if (n.point)
        text[n.point - n.digits] = '.';
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text, text + length, value);
    if (ec != std::errc() || ptr != text + length)
        badValue(field, bytes, "a number");
    return n.negative ? -value : value;
}

std::optional<Decimal> parseDecimal(const DbfField& field, const QByteArray& bytes)
{
    const NumberText n = scanNumber(field, bytes);
    Decimal d;
    if (n.blank)
        return d;
    for (const char* p = n.digits; p < n.end; ++p) {
        if (p == n.point)
            continue;
        if (__builtin_mul_overflow(d.units, 10, &d.units) ||
            __builtin_add_overflow(d.units, *p - '0', &d.units))
            return std::nullopt;
    }
    d.decimals = n.point ? static_cast<int>(n.end - n.point - 1) : 0;
    if (n.negative)
        d.units = -d.units;
    return d;
}

QByteArray formatText(const DbfField& field, const QString& value)
{
    requireType(field, field.type == 'C', QStringLiteral("String"));
    const QString cut = value.left(field.width);
    if (!core::cp1251::canEncode(cut))
        throw core::Error(
            QStringLiteral("Value '%1' for field '%2' holds characters outside Windows-1251")
                .arg(cut, field.name));
    QByteArray bytes = core::cp1251::encode(cut);
    bytes.append(QByteArray(field.width - bytes.size(), ' '));
    return bytes;
}

QString parseText(const QByteArray& bytes)
{
    int end = bytes.size();
    while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0'))
        --end;
    return core::cp1251::decode(bytes.left(end));
}

QByteArray formatDate(const DbfField& field, const QDate& value)
{
    requireType(field, field.type == 'D', QStringLiteral("Date"));
    if (!value.isValid())
        return QByteArray(field.width, ' ');
    if (value.year() < 1 || value.year() > 9999)
        throw core::Error(QStringLiteral("Date %1 does not fit field '%2'")
                              .arg(value.toString(Qt::ISODate), field.name));
    QByteArray text = QByteArray::number(value.year()).rightJustified(4, '0') +
                      QByteArray::number(value.month()).rightJustified(2, '0') +
                      QByteArray::number(value.day()).rightJustified(2, '0');
    if (text.size() > field.width)
        throw core::Error(QStringLiteral("Date %1 does not fit field '%2' (%3)")
                              .arg(value.toString(Qt::ISODate), field.name, describe(field)));
    return text + QByteArray(field.width - text.size(), ' ');
}

QDate parseDate(const DbfField& field, const QByteArray& bytes)
{
    if (isBlank(bytes))
        return {};
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    while (begin < end && *begin == ' ')
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\0'))
        --end;
    if (end - begin != 8)
        badValue(field, bytes, "a date");
    int parts[3] = {0, 0, 0}; // year, month, day
    for (int i = 0; i < 8; ++i) {
        if (begin[i] < '0' || begin[i] > '9')
            badValue(field, bytes, "a date");
        int& part = parts[i < 4 ? 0 : i < 6 ? 1 : 2];
        part = part * 10 + (begin[i] - '0');
    }
    if (parts[0] == 0 && parts[1] == 0 && parts[2] == 0) // how several writers store no date
        return {};
    const QDate date(parts[0], parts[1], parts[2]);
    if (!date.isValid())
        badValue(field, bytes, "a date");
    return date;
}

std::optional<bool> parseLogical(const DbfField& field, const QByteArray& bytes)
{
    const QByteArray text = bytes.trimmed();
    if (text.isEmpty() || text == "?")
        return std::nullopt;
    if (text.size() == 1) {
        switch (text[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
            return true;
        case 'F':
        case 'f':
        case 'N':
        case 'n':
            return false;
        }
    }
    badValue(field, bytes, "a logical value");
}

void checkValue(const DbfField& field, const QByteArray& bytes)
{
    switch (field.type) {
    case 'N':
    case 'F':
        scanNumber(field, bytes);
        break;
    case 'D':
        parseDate(field, bytes);
        break;
    case 'L':
        parseLogical(field, bytes);
        break;
    default:
        parseText(bytes); // C, M (its block number) and unknown types read as text
        break;
    }
}

} // namespace dbase::codec
