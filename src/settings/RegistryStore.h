#pragma once

// The per-user registry as the settings store needs it: plain Win32, no Qt, Windows-1251 bytes.
// Built on Windows only.

#include <string>
#include <utility>
#include <vector>

namespace settings {

class RegistryStore
{
public:
    enum class ReadResult
    {
        Text,
        Missing,
        NotText,
        Failed
    };

    // HKEY_CURRENT_USER\<keyPath>, values in its subkey <subkey>.
    RegistryStore(std::string keyPath, std::string subkey);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    using Values = std::vector<std::pair<std::string, std::string>>;

    // Opens the key, creating it when missing. False when it cannot; createKeyFailure() says so.
    bool open();
    // A text value (REG_SZ, or REG_EXPAND_SZ taken literally) up to its first NUL; a value
    // without data is an empty text, an unterminated one is read as far as it goes.
    ReadResult read(const std::string& name, std::string& data);
    // Writes the values in their order as REG_SZ into the subkey, creating it when missing.
    // Stops at the first failure, leaving what was written before it: empty when all went in,
    // else the message, "Failed to create key %s" or "Failed to set data for '%s'".
    std::string write(const Values& values);
    void close();

    std::string createKeyFailure() const { return "Failed to create key " + m_subkey; }

    const std::string& subkey() const { return m_subkey; }

private:
    std::string m_keyPath;
    std::string m_subkey;
    void* m_key = nullptr; // HKEY
};

} // namespace settings
