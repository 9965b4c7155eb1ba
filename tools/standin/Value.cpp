#include "Value.h"

#include <QLocale>

#include <cmath>

namespace standin {

namespace {

QString formatNumber(double n, int decimals)
{
    QString digits = QString::number(std::fabs(n), 'f', decimals);
    // "-0.00" would read back as zero anyway, but the accounting program never writes it.
    bool zero = true;
    for (QChar c : digits)
        zero = zero && (c == u'0' || c == u'.');
    if (decimals > 0)
        digits.replace(u'.', QLocale().decimalPoint());
    if (n < 0 && !zero)
        digits.prepend(u'-');
    return digits;
}

} // namespace

QString Value::answer() const
{
    switch (kind) {
    case Kind::Whole:
        return formatNumber(number, 0);
    case Kind::Amount:
        return formatNumber(number, 2);
    case Kind::Text:
        return text;
    case Kind::Date:
        if (!date.isValid())
            return {};
        return QStringLiteral("%1%2%3   ")
            .arg(date.day(), 2, 10, QLatin1Char('0'))
            .arg(date.month(), 2, 10, QLatin1Char('0'))
            .arg(date.year(), 4, 10, QLatin1Char('0'));
    }
    return {};
}

} // namespace standin
