#include <gtest/gtest.h>

#include "registry/RegistryKey.h"
#include "support/AppSession.h"

namespace {

using WholeStringTest = RegistryTest;

// RegQueryValueExA as Windows answers under UTF-8 as the ANSI code page: the size that it gives
// with ERROR_MORE_DATA is that of the UTF-16 text, less than its UTF-8 text needs.
ApiHook* QueryHook = nullptr;
LONG WINAPI QueryUnderUtf8(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  const LONG result = QueryHook->Original<decltype(QueryUnderUtf8)>()(key, name, reserved, type, data, size);
  if (result == ERROR_MORE_DATA) *size = *size * 2 / 3;
  return result;
}

TEST_F(WholeStringTest, AStringLongerInUtf8ThanTheSystemFirstSaysIsReadWhole) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "漢";
  RegistrySandbox::Write(HKEY_CURRENT_USER, "SOFTWARE\\Quillmere Test", "Name", REG_SZ, text + '\0');
  ApiHook query("ADVAPI32.dll", "RegQueryValueExA", &QueryUnderUtf8);
  QueryHook = &query;
  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "SOFTWARE\\Quillmere Test", KEY_READ));
  EXPECT_EQ(text, key.GetStringValue("Name"));
  EXPECT_EQ(Texts{}, Boxes.Boxes);
}

}  // namespace
