#pragma once

#include "core/Error.h"

#include <QList>
#include <QPair>
#include <QString>

#include <memory>

namespace settings {

// The store is there but cannot be read safely (a pipe in a file's place, another user's file):
// the settings keep their defaults and the user hears of it.
class UnreadableStore : public core::Error
{
public:
    using core::Error::Error;
};

// The per-user store of the settings: key Software\KVOR\4vt, subkey "Options", one text value
// per name. Backends: QSettingsStore (an INI file, Linux) and RegistrySettingsStore (Windows).
class SettingsStore
{
public:
    struct Value
    {
        enum Kind
        {
            Text,    // a stored text (possibly empty)
            Missing, // no subkey or no value of that name
            NotText  // something is stored under the name, but it is not a text
        };
        Kind kind = Missing;
        QString text;
    };
    using NamedValues = QList<QPair<QString, QString>>;

    virtual ~SettingsStore() = default;

    // The store of the logged-on user: the registry on Windows, the INI file elsewhere.
    static std::unique_ptr<SettingsStore> userStore();

    // Opens the key, creating it when it does not exist yet. Throws core::Error when it cannot.
    virtual void open() = 0;
    // Reads one value of the subkey. Throws core::Error when the store itself cannot be read.
    virtual Value read(const QString& name) = 0;
    // Writes the values in their order into the subkey, creating it when missing. Throws
    // core::Error with "Failed to create key %s" or "Failed to set data for '%s'".
    virtual void write(const NamedValues& values) = 0;
    virtual void close() {}
};

} // namespace settings
