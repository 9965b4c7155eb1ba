#include "settings/SettingsStore.h"

#ifdef _WIN32
#include "settings/RegistrySettingsStore.h"
#else
#include "settings/QSettingsStore.h"
#endif

namespace settings {

std::unique_ptr<SettingsStore> SettingsStore::userStore()
{
#ifdef _WIN32
    return std::make_unique<RegistrySettingsStore>();
#else
    return std::make_unique<QSettingsStore>();
#endif
}

} // namespace settings
