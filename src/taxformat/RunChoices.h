#pragma once

#include <QString>

namespace taxformat {

// What the report dialog's controls say when the bookkeeper starts the run or the printing: the
// generation reads the file number, year, kind of person and quarter, the printed form the year,
// kind of person, quarter and the two counts.
struct RunChoices
{
    QString nperiod; // text of the file number box
    QString zyear;   // the year, as typed
    int wuser = 0;   // 0 legal entity, 1 natural person
    int kwartal = 2; // the position of the chosen quarter, 0 .. 3
    QString edit1;   // staff employees, as typed
    QString edit2;   // part-time employees, as typed
};

} // namespace taxformat
