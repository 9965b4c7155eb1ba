#include "widgets/FormFont.h"

#include <QStringList>

namespace widgets {

QFont msSansSerif()
{
    // Metric-compatible with Arial, and found wherever it is installed (Wine finds it too); a
    // Windows without it has Arial itself.
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace widgets

namespace widgets {

QFont timesNewRoman()
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Serif"), QStringLiteral("Times New Roman")});
    font.setStyleHint(QFont::Serif);
    return font;
}

} // namespace widgets
