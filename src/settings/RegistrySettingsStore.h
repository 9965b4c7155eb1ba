#pragma once

#include "settings/RegistryStore.h"
#include "settings/SettingsStore.h"

namespace settings {

// The settings store in HKEY_CURRENT_USER\Software\KVOR\4vt\Options (Windows only): the Qt side
// of RegistryStore, converting between QString and Windows-1251.
class RegistrySettingsStore final : public SettingsStore
{
public:
    RegistrySettingsStore();

    void open() override;
    Value read(const QString& name) override;
    void write(const NamedValues& values) override;
    void close() override;

private:
    RegistryStore m_registry;
};

} // namespace settings
