#include "settings/RegistrySettingsStore.h"

#include "core/Cp1251.h"
#include "core/Error.h"

namespace settings {

namespace {

QString createKeyFailure(const std::string& subkey)
{
    return QStringLiteral("Failed to create key %1").arg(core::cp1251::decode(subkey));
}

} // namespace

RegistrySettingsStore::RegistrySettingsStore() : m_registry("Software\\KVOR\\4vt", "Options") {}

void RegistrySettingsStore::open()
{
    if (!m_registry.open())
        throw core::Error(createKeyFailure(m_registry.subkey()));
}

SettingsStore::Value RegistrySettingsStore::read(const QString& name)
{
    std::string data;
    switch (m_registry.read(core::cp1251::encodeStd(name), data)) {
    case RegistryStore::ReadResult::Text:
        return {Value::Text, core::cp1251::decode(data)};
    case RegistryStore::ReadResult::Missing:
        return {Value::Missing, {}};
    case RegistryStore::ReadResult::NotText:
        return {Value::NotText, {}};
    case RegistryStore::ReadResult::Failed:
        break;
    }
    throw core::Error(QStringLiteral("Failed to get data for '%1'").arg(name));
}

void RegistrySettingsStore::write(const NamedValues& values)
{
    // The registry writes value by value: what was written before a failure stays written.
    if (!m_registry.createSubkey())
        throw core::Error(createKeyFailure(m_registry.subkey()));
    for (const auto& [name, text] : values) {
        if (!m_registry.write(core::cp1251::encodeStd(name), core::cp1251::encodeStd(text)))
            throw core::Error(QStringLiteral("Failed to set data for '%1'").arg(name));
    }
}

void RegistrySettingsStore::close()
{
    m_registry.close();
}

} // namespace settings
