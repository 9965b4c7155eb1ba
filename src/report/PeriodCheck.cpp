#include "report/PeriodCheck.h"

#include "dbase/Table.h"
#include "report/ReportFill.h"

#include <cmath>

namespace report {

QString periodQuestion(dbase::Table& table, const QString& fileName,
                       const taxformat::RunChoices& choices)
{
    table.first();
    if (table.eof())
        return {};
    const long long period = std::llround(table.asFloat(QStringLiteral("PERIOD")));
    const long long year = std::llround(table.asFloat(QStringLiteral("RIK")));
    bool isNumber = false;
    const int chosenYear = choices.zyear.trimmed().toInt(&isNumber);
    if (period == choices.kwartal + 1 && isNumber && chosenYear == year)
        return {};
    const QString made = QStringLiteral("%1 квартал %2р.").arg(period).arg(year);
    const QString chosen = periodText(choices.kwartal, choices.zyear);
    return QStringLiteral("Файл %1 сформовано за %2, а у вікні вибрано %3 Звіт буде надруковано "
                          "за період, вибраний у вікні. Продовжити?")
        .arg(fileName, made, chosen);
}

} // namespace report
