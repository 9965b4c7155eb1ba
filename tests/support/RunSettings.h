#pragma once

#include "settings/SettingsSource.h"

namespace testsupport {

// The settings of a firm the run's tests generate for: region 07, tax office 14, employee 1
// only, its requisite codes and telephones, and the formulas of the employee's number
// ("T&"), hiring date ("H&") and dismissal date ("Z&"). A test adds what it is about.
inline void setFirmSettings(settings::MapSettings& settings)
{
    const char* const values[][2] = {
        {"CodRegion", "07"},      {"CodPod", "14"},        {"FirstWoker", "1"},
        {"LastWoker", "1"},       {"Edrpou1", "12345678"}, {"pdw1", "1234567890"},
        {"codk1", "1111111111"},  {"codb1", "2222222222"}, {"TellBoss", "2345678"},
        {"TellShief", "3456789"}, {"FormWoker", "T&"},     {"IndNumber", "H&"},
        {"InWoker", "Z&"},
    };
    for (const auto& v : values)
        settings.set(QString::fromLatin1(v[0]), QString::fromLatin1(v[1]));
}

} // namespace testsupport
