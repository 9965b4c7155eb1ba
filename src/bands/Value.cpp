#include "bands/Value.h"

#include <cmath>

namespace bands {

Value Value::fromText(QString t)
{
    Value v;
    v.kind = Kind::Text;
    v.text = std::move(t);
    return v;
}

Value Value::fromInteger(std::int64_t i)
{
    Value v;
    v.kind = Kind::Integer;
    v.integer = i;
    return v;
}

Value Value::fromFloat(double f)
{
    Value v;
    v.kind = Kind::Float;
    v.number = f;
    return v;
}

Value Value::fromBoolean(bool b)
{
    Value v;
    v.kind = Kind::Boolean;
    v.truth = b;
    return v;
}

double Value::asDouble() const
{
    switch (kind) {
    case Kind::Integer:
        return static_cast<double>(integer);
    case Kind::Float:
        return number;
    case Kind::Boolean:
        return truth ? 1 : 0;
    case Kind::Text:
        break;
    }
    return 0;
}

QString formatValue(const Value& value, const QLocale& locale)
{
    switch (value.kind) {
    case Value::Kind::Text:
        return value.text;
    case Value::Kind::Integer:
        return QString::number(value.integer);
    case Value::Kind::Boolean:
        return value.truth ? QStringLiteral("True") : QStringLiteral("False");
    case Value::Kind::Float:
        break;
    }
    const double f = value.number;
    if (!std::isfinite(f))
        return std::isnan(f) ? QStringLiteral("NAN")
                             : (f > 0 ? QStringLiteral("INF") : QStringLiteral("-INF"));
    // Plain digits with a point, then the locale's separator: no grouping, no locale digits.
    QString s = QString::number(f == 0 ? 0.0 : f, 'g', 15);
    const QString point = locale.decimalPoint();
    if (point != QLatin1String("."))
        s.replace(QLatin1Char('.'), point);
    return s;
}

QString formatDate(const QDate& date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

} // namespace bands
