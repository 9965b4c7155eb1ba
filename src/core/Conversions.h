#pragma once

#include <QDate>
#include <QString>

#include <cstdint>

// The conversions of the accounting program's answers and of the numeric settings, with the
// platform's own messages. Amounts use the decimal separator of QLocale(), so a test or the
// user's regional settings decide between "1234.50" and "1234,50".
namespace core {

// An amount: blanks before and after allowed, optional sign, digits with at most one decimal
// separator, optional exponent. Empty or malformed: "'%s' is not a valid floating point value".
double toFloat(const QString& text);

// A 32-bit whole number: leading blanks, optional sign, decimal digits (or "$"/"0x" hex).
// Malformed or out of range: "'%s' is not a valid integer value".
std::int32_t toInt(const QString& text);

// A date answer of the accounting program: only exactly 11 characters carry a date, read as
// day (1-2), month (3-4) and year (5-8); characters 9 to 11 are ignored. Any other length gives
// a null date (the field stays blank). An 11-character answer whose day.month.year is no date:
// "'%s' is not a valid date" with that day.month.year text.
QDate dateFromAnswer(const QString& answer);

// Reads "d.m.y" in that order, as the short-date rules of this program's users order dates.
QDate toDate(const QString& text);

} // namespace core
