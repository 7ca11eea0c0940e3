// MRegistry against the real registry: a throwaway key under HKEY_CURRENT_USER, written
// with raw bytes so that each value's type and size are exactly what the case says.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/runtime_error.h"
#include "registry/MRegistry.h"
#include "tests/support/utf16.h"
#include "tests/support/windows_argv.h"

namespace tessary {
namespace {

using test_support::Printable;
using test_support::Utf16;
using Bytes = std::vector<std::uint8_t>;

constexpr wchar_t kTestKey[] = L"Software\\TessaryTests\\Registry";

std::string Describe(const RegistryValue& value) {
  if (const auto* text = std::get_if<std::wstring>(&value)) {
    return "text of " + std::to_string(text->size()) + ": " + Printable(text->substr(0, 60));
  }
  if (const auto* number = std::get_if<std::int32_t>(&value)) return "integer " + std::to_string(*number);
  if (const auto* bytes = std::get_if<Bytes>(&value)) return std::to_string(bytes->size()) + " bytes";
  return "nothing";
}

std::wstring Path(const std::wstring& subkey) { return std::wstring(kTestKey) + L"\\" + subkey; }

// Creates the key, and sets a value in it when a name is given.
void Put(const std::wstring& key_path, const wchar_t* name = nullptr, DWORD type = REG_NONE, const Bytes& data = {}) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (name != nullptr) {
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
  }
  RegCloseKey(key);
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    Put(kTestKey);
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\TessaryTests");  // only when nothing else is in it
  }
};

TEST_F(RegistryTest, ValuesConvertByTheirType) {
  const struct {
    const char* what;
    DWORD type;
    Bytes data;
    RegistryValue expected;
  } cases[] = {
      {"string", REG_SZ, Utf16(L"C:\\Program Files\\Java"), std::wstring(L"C:\\Program Files\\Java")},
      {"string without terminator", REG_SZ, Utf16(L"C:\\Jre", false), std::wstring(L"C:\\Jre")},
      {"string ends at its first zero", REG_SZ, Utf16(std::wstring(L"C:\\A\0C:\\B", 9)), std::wstring(L"C:\\A")},
      {"no data as string", REG_SZ, Bytes{}, std::wstring()},
      {"expandable string", REG_EXPAND_SZ, Utf16(L"%SystemRoot%\\java"), std::wstring(L"%SystemRoot%\\java")},
      {"multi-string", REG_MULTI_SZ, Utf16(std::wstring(L"1.5\0" L"1.6\0", 8)), std::wstring(L"1.5\0" L"1.6", 7)},
      {"binary", REG_BINARY, Bytes{0, 1, 0x7F, 0x80, 0xFF, 0}, Bytes{0, 1, 0x7F, 0x80, 0xFF, 0}},
      {"no data as binary", REG_BINARY, Bytes{}, Bytes{}},
      {"dword", REG_DWORD, Bytes{0x78, 0x56, 0x34, 0x12}, std::int32_t{0x12345678}},
      {"all-ones dword", REG_DWORD, Bytes{0xFF, 0xFF, 0xFF, 0xFF}, std::int32_t{-1}},
      {"two-byte dword", REG_DWORD, Bytes{0xFF, 0xFF}, std::int32_t{0xFFFF}},
  };
  for (const auto& c : cases) {
    Put(kTestKey, L"Value", c.type, c.data);
    const RegistryValue actual = ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, L"Value");
    EXPECT_TRUE(actual == c.expected) << c.what << ": " << Describe(actual);
  }
}

TEST_F(RegistryTest, MissingValuesAndOtherTypesRaiseButMissingKeysGiveTheDefault) {
  Put(kTestKey, L"None", REG_NONE, Bytes{1, 2});
  Put(kTestKey, L"Qword", REG_QWORD, Bytes(8, 1));
  Put(kTestKey, L"BigEndian", REG_DWORD_BIG_ENDIAN, Bytes{0, 0, 0, 1});
  Put(kTestKey, L"Present", REG_SZ, Utf16(L"x"));
  // "" is the key's default value, which a new key does not have.
  for (const wchar_t* name : {L"None", L"Qword", L"BigEndian", L"Presen", L""}) {
    try {
      const RegistryValue value = ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, name, std::wstring(L"default"));
      ADD_FAILURE() << Printable(name) << " read as " << Describe(value);
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), kErrorUnsupportedValueType) << Printable(name);
      EXPECT_EQ(Printable(error.description()), "Unsupported value type");
    }
  }
  // The key can be deleted and is gone. This cannot catch a handle left open: Wine, like
  // Windows, deletes a key that is still open, so it passes either way and proves nothing
  // about closing.
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey), ERROR_SUCCESS);
  EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, kTestKey));

  for (const RegistryValue& fallback : {RegistryValue(std::wstring(L"C:\\Jre")), RegistryValue(std::int32_t{-7}),
                                        RegistryValue(Bytes{9}), RegistryValue()}) {
    const RegistryValue actual = ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, L"Present", fallback);
    EXPECT_TRUE(actual == fallback) << Describe(actual);
  }
  EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, L"") == RegistryValue());
}

// 1023 characters and the terminator fill the first query exactly; longer strings need a
// second query with the size the first one reported.
TEST_F(RegistryTest, StringsOfAnySizeAreReadWhole) {
  for (const bool terminated : {true, false}) {
    for (const size_t length : {0, 1, 2, 7, 1023, 1024, 1025, 32767}) {
      std::wstring text;
      for (size_t i = 0; i < length; ++i) text += static_cast<wchar_t>(i % 7 == 6 ? 0x0416 : L'a' + i % 26);
      Put(kTestKey, L"Long", REG_SZ, Utf16(text, terminated));
      const RegistryValue actual = ReadRegistryValue(HKEY_CURRENT_USER, kTestKey, L"Long");
      EXPECT_TRUE(actual == RegistryValue(text))
          << length << (terminated ? " terminated: " : " unterminated: ") << Describe(actual);
    }
  }
}

TEST_F(RegistryTest, SubkeysAreListedInTheRegistrysOrder) {
  EXPECT_TRUE(ListRegistrySubkeys(HKEY_CURRENT_USER, kTestKey).empty());
  EXPECT_TRUE(ListRegistrySubkeys(HKEY_CURRENT_USER, Path(L"Missing")).empty());
  EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, Path(L"Missing")));

  const std::wstring longest(255, L'k');  // the longest name a key can have
  for (const std::wstring& name : {std::wstring(L"1.6"), std::wstring(L"Zeta"), std::wstring(L"1.4.2"),
                                   std::wstring(L"alpha"), std::wstring(L"1.5.0_06"), std::wstring(L"1.5"),
                                   std::wstring(L"CurrentVersion"), std::wstring(L"1,6"), longest}) {
    Put(Path(name));
  }
  Put(Path(L"1.5\\Nested"));
  // The registry keeps subkeys sorted by name without regard to case, not in the order
  // they were made. (Names with one of [\]^_` sort differently: Windows compares
  // upper-cased names, Wine lower-cased ones.)
  const std::vector<std::wstring> expected = {L"1,6",   L"1.4.2",          L"1.5",   L"1.5.0_06", L"1.6",
                                              L"alpha", L"CurrentVersion", longest, L"Zeta"};
  const std::vector<std::wstring> listed = ListRegistrySubkeys(HKEY_CURRENT_USER, kTestKey);
  std::string shown;
  for (const std::wstring& name : listed) shown += Printable(name.substr(0, 20)) + " ";
  EXPECT_TRUE(listed == expected) << shown;

  const std::vector<std::wstring> roots = ListRegistrySubkeys(HKEY_CURRENT_USER, L"");
  EXPECT_NE(std::find(roots.begin(), roots.end(), L"Software"), roots.end());
}

TEST_F(RegistryTest, NonAsciiNamesAndDataRoundTrip) {
  const std::wstring key = Path(L"\u00dcn\u00efc\u00f8d\u00e9 \u77ed\u4fe1");  // Ünïcødé 短信
  const std::wstring name = L"\u0418\u043c\u044f";                            // Имя
  const std::wstring data = L"C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\\U0001F600 \u77ed";
  Put(key, name.c_str(), REG_SZ, Utf16(data));
  EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, key));
  const std::vector<std::wstring> listed = ListRegistrySubkeys(HKEY_CURRENT_USER, kTestKey);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(Printable(Path(listed[0])), Printable(key));
  EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, key, name) == RegistryValue(data));
  // Names are compared without regard to case, also outside ASCII.
  EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, Path(L"\u00fcN\u00cfC\u00d8D\u00c9 \u77ed\u4fe1"),
                                L"\u0438\u041c\u042f") == RegistryValue(data));
}

}  // namespace
}  // namespace tessary
