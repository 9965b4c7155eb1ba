#pragma once

#include <QString>

#include <cstdint>

namespace settings {

class SettingsSource;

// Request templates: the settings fields whose text, with every "&" standing for an employee
// number, becomes the item asked of the accounting program.

// Every "&" becomes the number in decimal, left to right; inserted digits are not scanned again
// and nothing else is touched.
QString expandTemplate(const QString& templateText, std::int64_t employee);

// The templates of income row 1..8 (row 3: f3, fp3, nw3, pp3).
QString incomeField(int row);
QString taxField(int row);
QString nonPaymentField(int row);
QString benefitField(int row);

// The employee templates.
QString identificationField(); // FormWoker
QString hiringDateField();     // IndNumber
QString dismissalDateField();  // InWoker

// The request text of a template field for an employee, read from the settings now.
QString request(const SettingsSource& settings, const QString& field, std::int64_t employee);

} // namespace settings
