#include "bands/ReportFont.h"

#include <QFontMetricsF>
#include <QHash>

#include <vector>

namespace bands {

namespace {

constexpr double MmPerPoint = 25.4 / 72.0;
// Measured at a large pixel size, where hinting no longer bends the advances.
constexpr int MeasureSize = 1000;

const QFontMetricsF& metrics(bool bold)
{
    // Kept for the whole process: font objects must not outlive the application object's fonts
    // in static destruction.
    static const QFontMetricsF* const regular = new QFontMetricsF([] {
        QFont f = reportFont(10, false);
        f.setPixelSize(MeasureSize);
        return f;
    }());
    static const QFontMetricsF* const heavy = new QFontMetricsF([] {
        QFont f = reportFont(10, true);
        f.setPixelSize(MeasureSize);
        return f;
    }());
    return bold ? *heavy : *regular;
}

} // namespace

QFont reportFont(double pointSize, bool bold)
{
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setKerning(false);
    return f;
}

double textWidthMm(const QString& line, double pointSize, bool bold)
{
    // Kerning is off in the form's font, so a line is as wide as its characters' advances: kept
    // per character, which spares shaping every amount and number of a long tax file.
    static std::vector<float> advances[2];
    std::vector<float>& known = advances[bold];
    if (known.empty())
        known.assign(0x10000, -1.0f);
    double width = 0;
    for (const QChar c : line) {
        if (c.isSurrogate() || c.category() == QChar::Mark_NonSpacing)
            return metrics(bold).horizontalAdvance(line) / MeasureSize * pointSize * MmPerPoint;
        float& a = known[c.unicode()];
        if (a < 0)
            a = float(metrics(bold).horizontalAdvance(c));
        width += a;
    }
    return width / MeasureSize * pointSize * MmPerPoint;
}

double lineHeightMm(double pointSize, bool bold)
{
    const QFontMetricsF& m = metrics(bold);
    return (m.ascent() + m.descent()) / MeasureSize * pointSize * MmPerPoint;
}

} // namespace bands
