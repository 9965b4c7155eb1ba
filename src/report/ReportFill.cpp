#include "report/ReportFill.h"

#include "core/Conversions.h"
#include "settings/SettingsSource.h"

namespace report {

QString periodText(int kwartal, const QString& zyear)
{
    return QString::number(kwartal + 1) + QStringLiteral(" квартал ") + zyear +
           QStringLiteral("р.");
}

void fillReport(bands::ReportDefinition& form, const settings::SettingsSource& settings,
                const taxformat::RunChoices& choices)
{
    static const std::pair<const char*, const char*> fromSettings[] = {
        {"QRLabel3", "Edrpou1"},    {"QRLabel1", "pdw1"},    {"QRLabel14", "NameFirm"},
        {"QRLabel13", "NamePodat"}, {"QRLabel15", "codpp1"}, {"QRLabel20", "codk1"},
        {"QRLabel22", "codb1"}};
    for (const auto& [key, field] : fromSettings)
        form.setText(QString::fromLatin1(key), settings.text(QString::fromLatin1(field)));

    form.setText(QStringLiteral("QRLabel12"), periodText(choices.kwartal, choices.zyear));
    form.setText(QStringLiteral("QRLabel6"), choices.edit1);
    form.setText(QStringLiteral("QRLabel7"), choices.edit2);
    // Summed wide: two counts near the integer limit must not wrap into a negative total.
    const qint64 sum = qint64(core::toInt(choices.edit1)) + qint64(core::toInt(choices.edit2));
    form.setText(QStringLiteral("QRLabel30"), QString::number(sum));

    const bool legalEntity = choices.wuser == 0;
    const QString boss = settings.text(QStringLiteral("NameBoss"));
    const QString bossPhone = settings.text(QStringLiteral("TellBoss"));
    form.setText(QStringLiteral("QRLabel18"), legalEntity ? boss : QString());
    form.setText(QStringLiteral("QRLabel25"), legalEntity ? bossPhone : QString());
    form.setText(QStringLiteral("QRLabel23"),
                 legalEntity ? settings.text(QStringLiteral("NameShief")) : QString());
    form.setText(QStringLiteral("QRLabel26"),
                 legalEntity ? settings.text(QStringLiteral("TellShief")) : QString());
    form.setText(QStringLiteral("QRLabel24"), legalEntity ? QString() : boss);
    form.setText(QStringLiteral("QRLabel27"), legalEntity ? QString() : bossPhone);
}

} // namespace report
