#pragma once

#include "bands/ReportDefinition.h"
#include "taxformat/RunChoices.h"

#include <QString>

namespace settings {
class SettingsSource;
}

namespace report {

// "3 квартал 1999р.": the quarter's number, the year as typed and "р." right after it.
QString periodText(int kwartal, const QString& zyear);

// Fills the run-time items of the form from the settings and the report dialog's choices, in
// the order the bookkeeper's form is filled. A count that is not a whole number throws
// core::Error "'%s' is not a valid integer value".
void fillReport(bands::ReportDefinition& form, const settings::SettingsSource& settings,
                const taxformat::RunChoices& choices);

} // namespace report
