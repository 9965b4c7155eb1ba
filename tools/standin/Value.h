#pragma once

#include <QDate>
#include <QString>

namespace standin {

// One value of the accounting program's expression language: what an attribute holds or what
// an expression evaluates to. The kind decides how the value is answered over the link.
struct Value
{
    enum class Kind
    {
        Whole,  // answered without decimals: "1", "-3"
        Amount, // answered with two decimals: "1234.50" or "1234,50"
        Text,   // answered as stored
        Date,   // answered as 11 characters: ddMMyyyy and three blanks
    };

    Kind kind = Kind::Whole;
    double number = 0;
    QString text;
    QDate date;

    static Value whole(double n) { return {Kind::Whole, n, {}, {}}; }
    static Value amount(double n) { return {Kind::Amount, n, {}, {}}; }
    static Value ofText(const QString& t) { return {Kind::Text, 0, t, {}}; }
    static Value ofDate(const QDate& d) { return {Kind::Date, 0, {}, d}; }

    bool isNumber() const { return kind == Kind::Whole || kind == Kind::Amount; }

    // The answer the accounting program gives for this value. Numbers carry the decimal
    // separator of QLocale() and no group separators, with plain ASCII digits and "-", which
    // is what the client's conversions read back.
    QString answer() const;
};

} // namespace standin
