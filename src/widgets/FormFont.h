#pragma once

#include <QFont>

namespace widgets {

// "MS Sans Serif", the font every form was laid out in; the caller sets its size. Liberation
// Sans stands in for it: its widths are close to the old font's, whereas the system's sans font
// (DejaVu Sans) is so much wider that labels run into their fields and fields cut their text.
QFont msSansSerif();
// "Times New Roman": Liberation Serif, metric-compatible and with Cyrillic.
QFont timesNewRoman();

} // namespace widgets
