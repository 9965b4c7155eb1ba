#include "bands/ReportDefinition.h"

#include "core/Error.h"

namespace bands {

const ReportBand* ReportDefinition::band(BandKind kind) const
{
    for (const ReportBand& b : bands) {
        if (b.kind == kind)
            return &b;
    }
    return nullptr;
}

ReportItem* ReportDefinition::item(const QString& key)
{
    for (ReportBand& b : bands) {
        for (ReportItem& i : b.items) {
            if (i.key == key)
                return &i;
        }
    }
    return nullptr;
}

const ReportItem* ReportDefinition::item(const QString& key) const
{
    return const_cast<ReportDefinition*>(this)->item(key);
}

void ReportDefinition::setText(const QString& key, const QString& text)
{
    ReportItem* i = item(key);
    if (!i)
        throw core::Error(QStringLiteral("Report item '%1' not found").arg(key));
    i->text = text;
}

} // namespace bands
