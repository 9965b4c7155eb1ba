// The registry store in the Wine prefix's HKEY_CURRENT_USER, the key removed before every case.
#include "settings/RegistryStore.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>

using settings::RegistryStore;
using Read = RegistryStore::ReadResult;

namespace {

constexpr char kKey[] = "Software\\KVOR\\4vt";
constexpr char kOptions[] = "Software\\KVOR\\4vt\\Options";

bool keyExists(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void setRaw(const char* name, DWORD type, const std::string& bytes)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOptions, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

struct Stored
{
    std::string name;
    DWORD type = 0;
    std::string data;
};

// The values of the subkey in the order the registry keeps them.
std::vector<Stored> enumerate()
{
    std::vector<Stored> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptions, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        BYTE data[1024];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS)
            break;
        values.push_back({std::string(name, nameSize), type,
                          std::string(reinterpret_cast<char*>(data), dataSize)});
    }
    RegCloseKey(key);
    return values;
}

class RegistryStoreTest : public ::testing::Test
{
protected:
    RegistryStoreTest()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KVOR");
        EXPECT_TRUE(m_store.open());
    }
    ~RegistryStoreTest() override { m_store.close(); }

    RegistryStore m_store{kKey, "Options"};
};

} // namespace

TEST_F(RegistryStoreTest, FirstOpenCreatesTheKeyWithoutItsSubkey)
{
    EXPECT_TRUE(keyExists(kKey));
    EXPECT_FALSE(keyExists(kOptions));
    std::string data = "stale";
    EXPECT_EQ(m_store.read("f1_Text", data), Read::Missing);
    EXPECT_EQ(data, "");
}

TEST_F(RegistryStoreTest, SaveWritesEveryValueAsAStringAndAgainOnTheNextSave)
{
    // The placement first, then the fields, as the settings dialog hands them over. (Wine lists
    // values by name, not in the order written: the order shows where a write fails, below.)
    RegistryStore::Values values = {
        {"Flags", "0"},
        {"ShowCmd", "1"},
        {"PixelsPerInch", "96"},
        {"MinMaxPos(1280x1024)", "-1,-1,-1,-1"},
        {"MinMaxPos", "-1,-1,-1,-1"},
        {"NormPos(1280x1024)", "353,242,927,781"},
        {"NormPos", "353,242,927,781"},
        {"Visible", "0"},
        {"Edrpou1_Text", "12345678"},
        {"codb1_Text", ""},
        {"f1_Text", "?((\xD1\xCD\x31:&.35=1) \xC8\xCB\xC8 (\xD1\xCD\x31:&.35=4)\\0)"},
        {"DestinationA_Text", "A:\\"}};
    ASSERT_EQ(m_store.write(values), "");
    values[8].second = "87654321";
    ASSERT_EQ(m_store.write(values), "");

    std::map<std::string, Stored> stored;
    for (auto& value : enumerate())
        stored[value.name] = value;
    ASSERT_EQ(stored.size(), values.size());
    for (const auto& [name, text] : values) {
        EXPECT_EQ(stored[name].type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(stored[name].data, text + '\0') << name;
        std::string back;
        EXPECT_EQ(m_store.read(name, back), Read::Text);
        EXPECT_EQ(back, text);
    }
}

TEST_F(RegistryStoreTest, LoadTakesStringsLiterallyUpToTheirFirstNulAndSkipsOtherTypes)
{
    const std::string longUnterminated(700, '\xE0');
    const struct
    {
        const char* name;
        DWORD type;
        std::string bytes;
        Read result;
        std::string text;
    } cases[] = {
        {"plain", REG_SZ, std::string("\xD1\xCD\x31:&.52", 8) + '\0', Read::Text,
         "\xD1\xCD\x31:&.52"},
        {"expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 10), Read::Text, "%TEMP%\\x"},
        {"inner nul", REG_SZ,
         std::string("12\0"
                     "34\0",
                     6),
         Read::Text, "12"},
        {"no data", REG_SZ, "", Read::Text, ""},
        {"unterminated", REG_SZ, "123", Read::Text, "123"},
        {"long unterminated", REG_SZ, longUnterminated, Read::Text, longUnterminated},
        // The outer blanks and control codes are for the settings to trim, not the store.
        {"outer codes", REG_SZ, std::string(" \t\x01 8 \x1F ", 8) + '\0', Read::Text,
         std::string(" \t\x01 8 \x1F ", 8)},
        {"number", REG_DWORD, std::string("\x07\0\0\0", 4), Read::NotText, ""},
        {"binary", REG_BINARY, "abc", Read::NotText, ""},
        {"list", REG_MULTI_SZ, std::string("a\0b\0\0", 5), Read::NotText, ""},
    };
    for (const auto& c : cases)
        setRaw(c.name, c.type, c.bytes);
    for (const auto& c : cases) {
        std::string data = "stale";
        EXPECT_EQ(m_store.read(c.name, data), c.result) << c.name;
        EXPECT_EQ(data, c.text) << c.name;
    }
    std::string data;
    EXPECT_EQ(m_store.read("absent", data), Read::Missing);
}

TEST_F(RegistryStoreTest, SubkeyThatCannotBeCreatedIsReportedByName)
{
    // A volatile key cannot hold the lasting subkey: the registry refuses to create it.
    m_store.close();
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KVOR");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_TRUE(m_store.open());
    EXPECT_EQ(m_store.write({{"Flags", "0"}}), "Failed to create key Options");
    EXPECT_FALSE(keyExists(kOptions));
}

TEST_F(RegistryStoreTest, ValueThatCannotBeWrittenIsReportedAndWhatCameBeforeItStays)
{
    ASSERT_EQ(m_store.write({{"Flags", "0"}, {"ShowCmd", "1"}}), "");
    // A value name beyond what the registry takes (16383 characters) is refused.
    const std::string tooLong(20000, 'n');
    EXPECT_EQ(m_store.write({{"Flags", "2"}, {tooLong, "x"}, {"Visible", "0"}}),
              "Failed to set data for '" + tooLong + "'");
    std::string data;
    EXPECT_EQ(m_store.read("Flags", data), Read::Text);
    EXPECT_EQ(data, "2");
    EXPECT_EQ(m_store.read("ShowCmd", data), Read::Text);
    EXPECT_EQ(data, "1");
    EXPECT_EQ(m_store.read("Visible", data), Read::Missing);
}
