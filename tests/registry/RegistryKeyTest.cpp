#include <gtest/gtest.h>
#include <tuple>

#include "registry/RegistryKey.h"
#include "support/AppSession.h"

namespace {

const char* const Key = "SOFTWARE\\Quillmere Test";
using RegistryKeyTest = RegistryTest;

// RegQueryValueExA as Windows answers under UTF-8 as the ANSI code page: the size that it gives
// with ERROR_MORE_DATA is that of the UTF-16 text, less than its UTF-8 text needs.
ApiHook* QueryHook = nullptr;
LONG WINAPI QueryUnderUtf8(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  const LONG result = QueryHook->Original<decltype(QueryUnderUtf8)>()(key, name, reserved, type, data, size);
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
  QueryHook = &query;
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
  Texts shown;
  for (const char* call : {"GetStringValue", "GetDWordValue", "GetBinaryValue", "DeleteSubKey"})
    shown.push_back(
        MessageBoxCatcher::Describe(call + std::string(" called on a closed CRegistryKey"), "", MB_ICONERROR, ""));
  shown.push_back(MessageBoxCatcher::Describe("Error while deleting a registry key", "", MB_ICONERROR, ""));
  EXPECT_EQ(shown, Boxes.Boxes);
}

}  // namespace
