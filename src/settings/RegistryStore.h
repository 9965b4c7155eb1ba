#pragma once

// The per-user registry as the settings store needs it: plain Win32, no Qt, Windows-1251 bytes.
// Built on Windows only.

#include <string>

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

    // Opens the key, creating it when missing.
    bool open();
    // A text value (REG_SZ, or REG_EXPAND_SZ taken literally) up to its first NUL.
    ReadResult read(const std::string& name, std::string& data);
    // Opens the subkey for writing, creating it when missing.
    bool createSubkey();
    // Writes a REG_SZ value into the subkey opened by createSubkey.
    bool write(const std::string& name, const std::string& data);
    void close();

    const std::string& subkey() const { return m_subkey; }

private:
    std::string m_keyPath;
    std::string m_subkey;
    void* m_key = nullptr;     // HKEY
    void* m_writing = nullptr; // HKEY of the subkey, while saving
};

} // namespace settings
