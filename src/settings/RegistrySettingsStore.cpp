#include "settings/RegistrySettingsStore.h"

#include "core/Cp1251.h"
#include "core/Error.h"

namespace settings {

RegistrySettingsStore::RegistrySettingsStore() : m_registry("Software\\KVOR\\4vt", "Options") {}

void RegistrySettingsStore::open()
{
    if (!m_registry.open())
        throw core::Error(core::cp1251::decode(m_registry.createKeyFailure()));
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
    RegistryStore::Values bytes;
    for (const auto& [name, text] : values)
        bytes.emplace_back(core::cp1251::encodeStd(name), core::cp1251::encodeStd(text));
    const std::string failure = m_registry.write(bytes);
    if (!failure.empty())
        throw core::Error(core::cp1251::decode(failure));
}

void RegistrySettingsStore::close()
{
    m_registry.close();
}

} // namespace settings
