#pragma once

#include "dbase/DbfHeader.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>

// The stored form of each dBase field type: one formatter and one parser per type. Formatters
// give exactly `field.width` bytes or throw core::Error; parsers take exactly the field's bytes.
namespace dbase::codec {

// The kind under which the table engine names a stored field in its messages.
QString kindName(const DbfField& field);

// N and F: the number rounded half away from zero to the field's decimals (on its first 15
// significant digits, the precision a double carries, so 1.005 becomes 1.01 as written),
// right-aligned. A value that does not fit the width is refused, never cut or starred.
QByteArray formatNumber(const DbfField& field, double value);
// The same for a whole number, exactly, however large.
QByteArray formatWhole(const DbfField& field, std::int64_t value);
// Blank reads as 0; anything but `[blanks][-]digits[.digits]` with at most the field's decimals
// is an error (a comma, NULs, a sign "+", blanks after the digits).
double parseNumber(const DbfField& field, const QByteArray& bytes);
bool isBlank(const QByteArray& bytes);
// A number exactly as stored: units × 10^-decimals, "-0.050" being -50 units of three decimals;
// blank is 0. Anything but a decimal number is an error; nullopt when the digits do not fit 64
// bits.
struct Decimal
{
    std::int64_t units = 0;
    int decimals = 0;
};
std::optional<Decimal> parseDecimal(const DbfField& field, const QByteArray& bytes);

// C: Windows-1251, cut to the width, padded with blanks. A character the code page lacks is
// refused rather than stored as '?'.
QByteArray formatText(const DbfField& field, const QString& value);
// Trailing blanks (and NULs) removed.
QString parseText(const QByteArray& bytes);

// D: YYYYMMDD; a null date is blanks.
QByteArray formatDate(const DbfField& field, const QDate& value);
// Blank or 00000000 reads as a null date; anything but a valid YYYYMMDD is an error.
QDate parseDate(const DbfField& field, const QByteArray& bytes);

// L: T/t/Y/y true, F/f/N/n false, blank or '?' unknown; anything else is an error.
std::optional<bool> parseLogical(const DbfField& field, const QByteArray& bytes);

// Decodes one field of any type the way the reader would, for checking a whole file; throws
// core::Error on a value the type does not allow.
void checkValue(const DbfField& field, const QByteArray& bytes);

} // namespace dbase::codec
