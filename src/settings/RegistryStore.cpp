#include "settings/RegistryStore.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace settings {

namespace {

HKEY asKey(void* key)
{
    return static_cast<HKEY>(key);
}

} // namespace

RegistryStore::RegistryStore(std::string keyPath, std::string subkey)
    : m_keyPath(std::move(keyPath)), m_subkey(std::move(subkey))
{
}

RegistryStore::~RegistryStore()
{
    close();
}

bool RegistryStore::open()
{
    close();
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG rc =
        RegCreateKeyExA(HKEY_CURRENT_USER, m_keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &key, &disposition);
    if (rc != ERROR_SUCCESS)
        return false;
    m_key = key;
    return true;
}

RegistryStore::ReadResult RegistryStore::read(const std::string& name, std::string& data)
{
    data.clear();
    if (!m_key)
        return ReadResult::Failed;
    HKEY sub = nullptr;
    LONG rc = RegOpenKeyExA(asKey(m_key), m_subkey.c_str(), 0, KEY_QUERY_VALUE, &sub);
    if (rc == ERROR_FILE_NOT_FOUND)
        return ReadResult::Missing;
    if (rc != ERROR_SUCCESS)
        return ReadResult::Failed;

    ReadResult result = ReadResult::Failed;
    std::vector<char> buffer(256);
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(buffer.size());
        rc = RegQueryValueExA(sub, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (rc == ERROR_MORE_DATA) {
            // The value may grow between two queries; ask again with what it said it needs.
            buffer.resize(static_cast<std::size_t>(size) + 1);
            continue;
        }
        if (rc == ERROR_FILE_NOT_FOUND) {
            result = ReadResult::Missing;
        } else if (rc == ERROR_SUCCESS) {
            if (type != REG_SZ && type != REG_EXPAND_SZ) {
                result = ReadResult::NotText;
            } else {
                std::size_t length = 0;
                while (length < size && buffer[length] != '\0')
                    ++length;
                data.assign(buffer.data(), length);
                result = ReadResult::Text;
            }
        }
        break;
    }
    RegCloseKey(sub);
    return result;
}

std::string RegistryStore::write(const Values& values)
{
    if (!m_key)
        return createKeyFailure();
    HKEY sub = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(asKey(m_key), m_subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &sub, &disposition) != ERROR_SUCCESS)
        return createKeyFailure();
    std::string failure;
    for (const auto& [name, data] : values) {
        if (RegSetValueExA(sub, name.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(data.size() + 1)) != ERROR_SUCCESS) {
            failure = "Failed to set data for '" + name + "'";
            break;
        }
    }
    RegCloseKey(sub);
    return failure;
}

void RegistryStore::close()
{
    if (m_key) {
        RegCloseKey(asKey(m_key));
        m_key = nullptr;
    }
}

} // namespace settings
