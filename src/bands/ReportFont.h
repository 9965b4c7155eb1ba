#pragma once

#include <QFont>
#include <QString>

namespace bands {

// The form's typeface, Arial, in a metric-compatible face that carries Cyrillic where Arial
// itself is missing.
QFont reportFont(double pointSize, bool bold);

// The frame of a boxed item: 1 pt.
constexpr double FrameMm = 25.4 / 72.0;

// Text measures in millimetres for a font of the form, independent of any device.
double textWidthMm(const QString& line, double pointSize, bool bold);
double lineHeightMm(double pointSize, bool bold);

} // namespace bands
