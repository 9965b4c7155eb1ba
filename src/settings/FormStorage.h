#pragma once

#include "settings/SettingsStore.h"

#include <QHash>
#include <QString>

namespace settings {

// Where the settings window stood when it was saved. Written ahead of the fields for the
// benefit of whoever reads the store; the program itself never reads it back.
struct WindowPlacement
{
    int flags = 0;
    int showCmd = 1; // 1 normal, 2 minimised, 3 maximised
    int pixelsPerInch = 96;
    int screenWidth = 0;
    int screenHeight = 0;
    int minX = -1;
    int minY = -1;
    int maxX = -1;
    int maxY = -1;
    int left = 0; // the normal rectangle; right and bottom are exclusive
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The stored form of the settings fields: loads and saves the stored fields, in their order,
// as "<field>_Text", through a SettingsStore.
class FormStorage
{
public:
    explicit FormStorage(SettingsStore& store);

    // Replaces the texts of the stored fields by what the store holds. A field with nothing
    // stored keeps its text; a field whose stored value is not a text keeps its text untouched.
    // Never throws and never shows anything: an unreadable store leaves the rest as it is.
    void load(QHash<QString, QString>& texts) const noexcept;

    // Writes the placement and then every stored field (trimmed). Throws core::Error.
    void save(const QHash<QString, QString>& texts, const WindowPlacement& placement) const;

    // The eight placement values, in the order in which they are written.
    static SettingsStore::NamedValues placementValues(const WindowPlacement& placement);
    // Name of the stored value of a field.
    static QString valueName(const QString& field);
    // Removes the characters of codes 0 to 32 at both ends; the inside stays.
    static QString trimmed(const QString& text);

private:
    SettingsStore& m_store;
};

} // namespace settings
