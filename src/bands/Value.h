#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <cstdint>

namespace bands {

// A computed value of the report's expressions.
struct Value
{
    enum class Kind
    {
        Text,
        Integer,
        Float,
        Boolean,
    };
    Kind kind = Kind::Text;
    QString text;
    std::int64_t integer = 0;
    double number = 0;
    bool truth = false;

    static Value fromText(QString t);
    static Value fromInteger(std::int64_t i);
    static Value fromFloat(double f);
    static Value fromBoolean(bool b);

    bool isNumeric() const { return kind == Kind::Integer || kind == Kind::Float; }
    double asDouble() const;
};

// The printed form of a value: integers plain, floats with at most 15 significant digits and
// the locale's decimal separator without grouping or trailing zeros, text as it stands.
QString formatValue(const Value& value, const QLocale& locale = QLocale());

// A date as the state form has it, dd.MM.yyyy, whatever the locale (a locale's short format may
// name the month in words, which a date cell cannot hold); a null date prints nothing.
QString formatDate(const QDate& date);

} // namespace bands
