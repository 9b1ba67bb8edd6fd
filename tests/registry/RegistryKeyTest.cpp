#include <fstream>
#include <gtest/gtest.h>
#include <process.h>
#include <tuple>

#include "registry/KeyTree.h"
#include "registry/RegistryKey.h"
#include "support/AppSession.h"

namespace {

const char* const Key = "SOFTWARE\\Quillmere Test";
using RegistryKeyTest = RegistryTest;

// RegQueryValueExA as Windows answers under UTF-8 as the ANSI code page: the size that it gives
// with ERROR_MORE_DATA is that of the UTF-16 text, less than its UTF-8 text needs.
LONG WINAPI QueryUnderUtf8(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  const LONG result = ApiHook::Original(&QueryUnderUtf8)(key, name, reserved, type, data, size);
  if (result == ERROR_MORE_DATA) *size = *size * 2 / 3;
  return result;
}

TEST_F(RegistryKeyTest, ValuesAreReadWholeUpToTheirFirstNulAndNeverPastTheirDestination) {
  std::string longText;  // longer than the first read's buffer
  for (int i = 0; i < 300; ++i) longText += "漢";
  const std::tuple<const char*, DWORD, std::string> values[] = {
      {"Embedded", REG_SZ, std::string("abc\0def\0", 8)},
      {"Long", REG_SZ, longText},
      {"Dword", REG_DWORD, "\x78\x56\x34\x12"},
      {"Qword", REG_DWORD, std::string("\1\0\0\0\2\0\0\0", 8)},
      {"Fits", REG_BINARY, "abcd"},
      {"TooLong", REG_BINARY, "abcdef"}};
  for (const auto& [name, type, bytes] : values) RegistrySandbox::Write(HKEY_CURRENT_USER, Key, name, type, bytes);
  ApiHook query("ADVAPI32.dll", "RegQueryValueExA", &QueryUnderUtf8);
  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, Key, KEY_READ));
  EXPECT_EQ("abc", key.GetStringValue("Embedded"));
  EXPECT_EQ(longText, key.GetStringValue("Long"));
  EXPECT_EQ(0x12345678u, key.GetDWordValue("Dword"));
  EXPECT_EQ(0u, key.GetDWordValue("Qword")) << "eight bytes are no DWORD";
  char fits[6] = {'-', '-', '-', '-', '!', '!'}, tooLong[6] = {'-', '-', '-', '-', '!', '!'};
  EXPECT_TRUE(key.GetBinaryValue("Fits", fits, 4));
  EXPECT_EQ("abcd!!", std::string(fits, 6)) << "read up to its size";
  EXPECT_FALSE(key.GetBinaryValue("TooLong", tooLong, 4));
  EXPECT_EQ("----!!", std::string(tooLong, 6)) << "nothing written";
}

TEST_F(RegistryKeyTest, ClosedKeysReportEachCallByNameNoKeyDeletesItselfAndEachOpenedKeyIsClosedOnce) {
  RegistrySandbox::Write(HKEY_CURRENT_USER, Key, "x", REG_SZ, "");
  RegistryCalls calls;
  {
    CRegistryKey closed, first, second;
    char buffer[4];
    EXPECT_FALSE(closed.Open(HKEY_CURRENT_USER, "SOFTWARE\\Missing", KEY_READ));
    EXPECT_EQ("", closed.GetStringValue("x"));
    EXPECT_EQ(0u, closed.GetDWordValue("x"));
    EXPECT_FALSE(closed.GetBinaryValue("x", buffer, 4));
    EXPECT_FALSE(closed.DeleteSubKey("x"));
    EXPECT_FALSE(closed.HasValue("x"));
    EXPECT_FALSE(closed.Close());
    ASSERT_TRUE(first.Open(HKEY_CURRENT_USER, Key, KEY_READ) && second.Open(HKEY_CURRENT_USER, Key, KEY_READ));
    EXPECT_FALSE(first.DeleteSubKey(""));
    second = std::move(first);  // closes the key that second held
    CRegistryKey third(std::move(second));
    EXPECT_EQ(1, calls.Closes);
  }
  EXPECT_EQ(2, calls.Opens);
  EXPECT_EQ(2, calls.Closes) << "each closed by its last owner";
  EXPECT_TRUE(CRegistryKey().Open(HKEY_CURRENT_USER, Key, KEY_READ)) << "the key deleted itself";
  const std::string onClosedKey = " called on a closed CRegistryKey||16|";
  EXPECT_EQ((Texts{"GetStringValue" + onClosedKey, "GetDWordValue" + onClosedKey, "GetBinaryValue" + onClosedKey,
                   "DeleteSubKey" + onClosedKey, "Error while deleting a registry key||16|"}),
            Boxes.Boxes);
}

using Bytes = std::vector<uint8_t>;

// The characters and the NUL that ends them, as a string value holds them.
Bytes Sz(const std::u16string& text) {
  Bytes bytes;
  for (char16_t c : text + u'\0')
    bytes.insert(bytes.end(), {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)});
  return bytes;
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// Every kind of value that a registration may hold.
RegKeyTree Registration() {
  Bytes counting(100);
  for (size_t i = 0; i < counting.size(); ++i) counting[i] = static_cast<uint8_t>(i * 7);
  return {u"Odd \"program\"",
          {{u"", 1, Sz(u"default")},
           {u"Quote \"and\" back\\slash", 1, Sz(u"C:\\Program Files\\\"X\"\\x.exe")},
           {u"Line breaks", 1, Sz(u"first\r\nsecond\n")},
           {u"\u685c \u03a9 \u0416", 1, Sz(u"\u540d\u524d \U0001D11E")},
           {u"Empty", 1, {}},
           {u"Expand", 2, Sz(u"%SystemRoot%\\x.exe")},
           {u"Multi", 7, Sz(std::u16string(u"one\0two\0", 8))},
           {u"Qword", 11, {1, 2, 3, 4, 5, 6, 7, 0x80}},
           {u"Binary", 3, counting},
           {u"None", 0, {0xFF, 0}},
           {u"Short dword", 4, {1, 2, 3}},
           {u"Dword", 4, {0x78, 0x56, 0x34, 0x12}},
           {u"Unusual type", 0x12345, {9, 8}}},
          {{u"Sub]key", {{u"Inner", 4, {1, 0, 0, 0}}}, {{u"Empty below", {}, {}}}}}};
}

void ExpectSameTree(const RegKeyTree& expected, const RegKeyTree& actual, const std::string& where) {
  ASSERT_EQ(expected.Values.size(), actual.Values.size()) << "values of " << where;
  for (const RegValue& value : expected.Values) {
    const std::string name = where + " value \"" + Narrow(value.Name) + "\"";
    auto found = std::find_if(actual.Values.begin(), actual.Values.end(),
                              [&](const RegValue& other) { return other.Name == value.Name; });
    ASSERT_NE(found, actual.Values.end()) << name << " is missing";
    EXPECT_EQ(value.Type, found->Type) << "type of " << name;
    EXPECT_EQ(value.Data, found->Data) << "bytes of " << name;
  }
  ASSERT_EQ(expected.SubKeys.size(), actual.SubKeys.size()) << "subkeys of " << where;
  for (size_t i = 0; i < expected.SubKeys.size(); ++i) {
    EXPECT_EQ(Narrow(expected.SubKeys[i].Name), Narrow(actual.SubKeys[i].Name)) << "subkey of " << where;
    ExpectSameTree(expected.SubKeys[i], actual.SubKeys[i], where + "\\" + Narrow(expected.SubKeys[i].Name));
  }
}

TEST_F(RegistryKeyTest, AKeyWrittenAsRegFileReadsBackByteForByteThroughTheSystemsImport) {
  const RegKeyTree original = Registration();
  ASSERT_EQ(ERROR_SUCCESS, WriteKeyTree(HKEY_CURRENT_USER, L"", original, 0));
  RegKeyTree read;
  ASSERT_EQ(ERROR_SUCCESS, ReadKeyTree(HKEY_CURRENT_USER, L"", L"Odd \"program\"", 0, read));
  ExpectSameTree(original, read, "the key read back");

  const std::string importedPath = Registry.RealPath(HKEY_CURRENT_USER) + "\\Imported";
  const std::u16string text = u"\xFEFF" + RegFileText(std::u16string(importedPath.begin(), importedPath.end()), read);
  wchar_t file[MAX_PATH];
  GetTempPathW(MAX_PATH, file);
  wcscat(file, L"quillmere-test.reg");
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  EXPECT_EQ(0,
            _wspawnlp(_P_WAIT, L"reg.exe", L"reg.exe", L"import", (L'"' + std::wstring(file) + L'"').c_str(), nullptr))
      << "reg import";
  DeleteFileW(file);

  RegKeyTree imported;
  ASSERT_EQ(ERROR_SUCCESS, ReadKeyTree(HKEY_CURRENT_USER, L"", L"Imported", 0, imported));
  ExpectSameTree(original, imported, "the imported key");
}

}  // namespace
