#pragma once

#include "taxformat/RunChoices.h"

#include <QString>

namespace dbase {
class Table;
}

namespace report {

// The form prints the period chosen in the report dialog; the records of the tax file carry the
// period it was made for (PERIOD and RIK of its first record). When the two differ, the
// question to ask before printing, which names both; empty when they agree or the file holds no
// record. Leaves the table on its first record.
QString periodQuestion(dbase::Table& table, const QString& fileName,
                       const taxformat::RunChoices& choices);

} // namespace report
