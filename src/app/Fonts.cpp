#include "app/Fonts.h"

#include "widgets/FormFont.h"

#include <QStringList>

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
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Serif"), QStringLiteral("Times New Roman")});
    font.setPointSize(pointSize);
    font.setStyleHint(QFont::Serif);
    font.setBold(bold);
    return font;
}

} // namespace app
