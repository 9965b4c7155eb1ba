#include "settings/Templates.h"

#include "settings/SettingsSource.h"

namespace settings {

namespace {

QString rowField(const char* prefix, int row)
{
    return QString::fromLatin1(prefix) + QString::number(row);
}

} // namespace

QString expandTemplate(const QString& templateText, std::int64_t employee)
{
    const QString number = QString::number(employee);
    QString result;
    result.reserve(templateText.size() + 4 * number.size());
    for (const QChar c : templateText) {
        if (c == u'&')
            result += number;
        else
            result += c;
    }
    return result;
}

QString incomeField(int row)
{
    return rowField("f", row);
}

QString taxField(int row)
{
    return rowField("fp", row);
}

QString nonPaymentField(int row)
{
    return rowField("nw", row);
}

QString benefitField(int row)
{
    return rowField("pp", row);
}

QString identificationField()
{
    return QStringLiteral("FormWoker");
}

QString hiringDateField()
{
    return QStringLiteral("IndNumber");
}

QString dismissalDateField()
{
    return QStringLiteral("InWoker");
}

QString request(const SettingsSource& settings, const QString& field, std::int64_t employee)
{
    return expandTemplate(settings.text(field), employee);
}

} // namespace settings
