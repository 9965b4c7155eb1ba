#pragma once

#include <QString>

#include <vector>

namespace check {

enum class Severity
{
    Error,   // the tax office will reject the file
    Warning, // worth a look before the file is handed in
};

// One thing the check found in a tax file.
struct Finding
{
    Severity severity = Severity::Error;
    qint64 line = 0; // the record's position in the file, from 1; 0 for the file as a whole
    QString np;      // the record's NP as stored; empty for the file as a whole
    QString tin;     // the record's TIN, so that the person can be found
    QString field;   // the field the finding is about, empty when about the file
    QString value;   // the field's value as stored
    QString text;    // a plain Ukrainian sentence saying what is wrong
};

using Findings = std::vector<Finding>;

inline qsizetype countOf(const Findings& findings, Severity severity)
{
    qsizetype n = 0;
    for (const Finding& f : findings)
        n += f.severity == severity ? 1 : 0;
    return n;
}

} // namespace check
