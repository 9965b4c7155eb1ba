#include "widgets/FormFont.h"

namespace widgets {

QFont msSansSerif()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace widgets
