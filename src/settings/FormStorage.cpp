#include "settings/FormStorage.h"

#include "settings/FieldTable.h"

#include "core/Messages.h"

namespace settings {

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 32;
}

} // namespace

FormStorage::FormStorage(SettingsStore& store) : m_store(store) {}

QString FormStorage::valueName(const QString& field)
{
    return field + QStringLiteral("_Text");
}

QString FormStorage::trimmed(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

void FormStorage::load(QHash<QString, QString>& texts) const noexcept
{
    try {
        m_store.open();
        for (const QString& field : FieldTable::storedOrder()) {
            SettingsStore::Value value;
            try {
                value = m_store.read(valueName(field));
            } catch (...) {
                // One unreadable value costs only its own field.
                continue;
            }
            switch (value.kind) {
            case SettingsStore::Value::Text:
                texts[field] = trimmed(value.text);
                break;
            case SettingsStore::Value::Missing:
                texts[field] = trimmed(texts.value(field));
                break;
            case SettingsStore::Value::NotText:
                break;
            }
        }
    } catch (const UnreadableStore& e) {
        // Nothing was read: the settings keep their defaults, and the user is told why.
        core::messages().showMessage(e.message());
    } catch (...) {
        // The settings keep what they have; the load shows nothing.
    }
    try {
        m_store.close();
    } catch (...) {
    }
}

SettingsStore::NamedValues FormStorage::placementValues(const WindowPlacement& p)
{
    const QString screen = QStringLiteral("(%1x%2)").arg(p.screenWidth).arg(p.screenHeight);
    const QString minMax =
        QStringLiteral("%1,%2,%3,%4").arg(p.minX).arg(p.minY).arg(p.maxX).arg(p.maxY);
    const QString norm =
        QStringLiteral("%1,%2,%3,%4").arg(p.left).arg(p.top).arg(p.right).arg(p.bottom);
    return {
        {QStringLiteral("Flags"), QString::number(p.flags)},
        {QStringLiteral("ShowCmd"), QString::number(p.showCmd)},
        {QStringLiteral("PixelsPerInch"), QString::number(p.pixelsPerInch)},
        {QStringLiteral("MinMaxPos") + screen, minMax},
        {QStringLiteral("MinMaxPos"), minMax},
        {QStringLiteral("NormPos") + screen, norm},
        {QStringLiteral("NormPos"), norm},
        {QStringLiteral("Visible"), QStringLiteral("0")},
    };
}

void FormStorage::save(const QHash<QString, QString>& texts, const WindowPlacement& placement) const
{
    SettingsStore::NamedValues values = placementValues(placement);
    for (const QString& field : FieldTable::storedOrder())
        values.append({valueName(field), trimmed(texts.value(field))});
    m_store.open();
    try {
        m_store.write(values);
    } catch (...) {
        m_store.close();
        throw;
    }
    m_store.close();
}

} // namespace settings
