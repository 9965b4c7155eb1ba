#pragma once

#include <QHash>
#include <QString>

namespace settings {

// The settings as the rest of the program reads them: the current text of a settings field,
// by the field's name ("CodRegion", "f1", ...), at the moment it is needed. The settings dialog
// answers with its edit fields; tests answer with a plain table.
class SettingsSource
{
public:
    virtual ~SettingsSource() = default;
    // An unknown name is a programming error and gives an empty text.
    virtual QString text(const QString& field) const = 0;
};

// Settings held in a table, for callers that have no dialog (tests, benchmarks).
class MapSettings final : public SettingsSource
{
public:
    MapSettings() = default;
    explicit MapSettings(QHash<QString, QString> values) : m_values(std::move(values)) {}

    QString text(const QString& field) const override { return m_values.value(field); }
    void set(const QString& field, const QString& value) { m_values.insert(field, value); }

private:
    QHash<QString, QString> m_values;
};

} // namespace settings
