#include "app/Fonts.h"

#include "widgets/FormFont.h"

namespace app {

QFont sansFont(int pointSize, bool bold, bool italic)
{
    QFont font = widgets::msSansSerif();
    font.setPointSize(pointSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QFont serifFont(int pointSize, bool bold)
{
    QFont font = widgets::timesNewRoman();
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace app
