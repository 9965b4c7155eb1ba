#pragma once

#include <QFont>

namespace app {

// "MS Sans Serif" of the original forms (widgets::msSansSerif) at the given size.
QFont sansFont(int pointSize, bool bold = false, bool italic = false);
// "Times New Roman": Liberation Serif, metric-compatible and with Cyrillic.
QFont serifFont(int pointSize, bool bold = false);

} // namespace app
