#include "core/Conversions.h"

#include "core/Clock.h"
#include "core/Error.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

namespace core {

namespace {

[[noreturn]] void notFloat(const QString& text)
{
    throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(shownValue(text)));
}

[[noreturn]] void notInt(const QString& text)
{
    throw Error(QStringLiteral("'%1' is not a valid integer value").arg(shownValue(text)));
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The decimal exponent of the first significant digit of a plain number ("-0.00012e5" gives 1;
// all zeros give a very small one): enough to tell an overflow from an underflow.
long magnitudeExponent(const std::string& plain)
{
    constexpr long far = std::numeric_limits<long>::max() / 4;
    const std::size_t e = plain.find('e');
    long exponent = 0;
    if (e != std::string::npos) {
        const char* first = plain.data() + e + 1;
        if (*first == '+')
            ++first;
        if (std::from_chars(first, plain.data() + plain.size(), exponent).ec != std::errc())
            exponent = *first == '-' ? -far : far; // beyond long, far beyond a double
    }
    const std::string mantissa = plain.substr(0, e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("0123456789");
    // The exponent of the digit at `first`, which may stand after the separator (".5").
    long position =
        point > first ? static_cast<long>(point - first) - 1 : -static_cast<long>(first - point);
    for (std::size_t k = first; k < mantissa.size(); ++k) {
        if (mantissa[k] == '.')
            continue;
        if (mantissa[k] != '0')
            return exponent + position;
        --position;
    }
    return -far;
}

// Appends the digits from i on to c; returns how many there were.
int takeDigits(const QString& text, qsizetype& i, qsizetype end, std::string& c)
{
    int digits = 0;
    while (i < end && isDigit(text[i])) {
        c += char(text[i++].unicode());
        ++digits;
    }
    return digits;
}

// The number rebuilt in plain notation, character by character, so that nothing a general
// parser would accept on its own (hex, "inf", a point under a comma locale) slips through.
// from_chars never looks at the C library's locale, which the desktop's regional settings change.
std::string plainNotation(const QString& text)
{
    const QString sep = QLocale().decimalPoint();
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && text[i] == u' ')
        ++i;
    while (end > i && text[end - 1] == u' ')
        --end;

    std::string c;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            c += '-'; // from_chars takes no plus sign
        ++i;
    }
    int mantissaDigits = takeDigits(text, i, end, c);
    if (i < end && text.mid(i, sep.size()) == sep) {
        i += sep.size();
        c += '.';
        mantissaDigits += takeDigits(text, i, end, c);
    }
    if (mantissaDigits == 0)
        notFloat(text);
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        c += 'e';
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            c += char(text[i++].unicode());
        if (takeDigits(text, i, end, c) == 0)
            notFloat(text);
    }
    if (i != end)
        notFloat(text);
    return c;
}

} // namespace

double toFloat(const QString& text)
{
    const std::string c = plainNotation(text);
    double value = 0.0;
    const auto [stop, ec] = std::from_chars(c.data(), c.data() + c.size(), value);
    if (stop != c.data() + c.size())
        notFloat(text);
    if (ec == std::errc::result_out_of_range) {
        // Too large for a double is an error; too small is zero, as the platform reads it.
        if (magnitudeExponent(c) > 0)
            notFloat(text);
        value = c.front() == '-' ? -0.0 : 0.0; // c holds at least one digit
    } else if (ec != std::errc()) {
        notFloat(text);
    }
    return value;
}

std::int32_t toInt(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' &&
               (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        notInt(text);
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f')
            digit = 10 + (u - u'a');
        else if (base == 16 && u >= u'A' && u <= u'F')
            digit = 10 + (u - u'A');
        if (digit < 0)
            notInt(text);
        value = value * base + digit;
        if (value > std::int64_t(std::numeric_limits<std::uint32_t>::max()))
            notInt(text);
    }
    if (base == 16 && !negative && value <= std::numeric_limits<std::uint32_t>::max())
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    if (negative)
        value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        notInt(text);
    return static_cast<std::int32_t>(value);
}

QDate toDate(const QString& text)
{
    const QStringList parts = text.split(u'.');
    int numbers[3] = {0, 0, 0};
    bool valid = parts.size() == 3;
    for (int k = 0; valid && k < 3; ++k) {
        const QString part = parts[k].trimmed();
        valid = !part.isEmpty() && part.size() <= 4;
        for (QChar c : part)
            valid = valid && isDigit(c);
        if (valid)
            numbers[k] = part.toInt();
        if (k == 2 && valid && part.size() <= 2)
            numbers[2] += clock().today().year() / 100 * 100;
    }
    const QDate date(numbers[2], numbers[1], numbers[0]);
    if (!valid || !date.isValid())
        throw Error(QStringLiteral("'%1' is not a valid date").arg(shownValue(text)));
    return date;
}

QDate dateFromAnswer(const QString& answer)
{
    if (answer.size() != 11)
        return {};
    return toDate(answer.mid(0, 2) + u'.' + answer.mid(2, 2) + u'.' + answer.mid(4, 4));
}

} // namespace core
