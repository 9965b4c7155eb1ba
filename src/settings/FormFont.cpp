#include "settings/FormFont.h"

namespace settings {

QFont msSansSerif()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace settings
