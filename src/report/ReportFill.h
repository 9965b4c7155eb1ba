#pragma once

#include "report/ReportDefinition.h"

#include <QString>

namespace settings {
class SettingsSource;
}

namespace report {

// The report dialog's choices as the printed return reads them.
struct ReportChoices
{
    int kwartal = 2; // 0..3, the position of the chosen quarter
    QString zyear;   // the year, as typed
    QString edit1;   // staff employees, as typed
    QString edit2;   // part-time employees, as typed
    int wuser = 0;   // 0 legal entity, anything else an individual
};

// "3 квартал 1999р.": the quarter's number, the year as typed and "р." right after it.
QString periodText(int kwartal, const QString& zyear);

// Fills the run-time items of the form from the settings and the report dialog's choices, in
// the order the bookkeeper's form is filled. A count that is not a whole number throws
// core::Error "'%s' is not a valid integer value".
void fillReport(ReportDefinition& form, const settings::SettingsSource& settings,
                const ReportChoices& choices);

} // namespace report
