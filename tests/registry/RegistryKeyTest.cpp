#include <gtest/gtest.h>
#include <tuple>

#include "registry/RegistryKey.h"
#include "support/AppSession.h"

namespace {

const char* const Key = "SOFTWARE\\Quillmere Test";
using RegistryKeyTest = RegistryTest;

TEST_F(RegistryKeyTest, ValuesAreReadWholeUpToTheirFirstNulAndNeverPastTheirDestination) {
  const std::string longText(300, 'x');  // longer than the first read's buffer
  const std::tuple<const char*, DWORD, std::string> values[] = {
      {"Embedded", REG_SZ, std::string("abc\0def\0", 8)},
      {"Long", REG_SZ, longText},
      {"Dword", REG_DWORD, "\x78\x56\x34\x12"},
      {"Qword", REG_DWORD, std::string("\1\0\0\0\2\0\0\0", 8)},
      {"Fits", REG_BINARY, "abcd"},
      {"TooLong", REG_BINARY, "abcdef"}};
  for (const auto& [name, type, bytes] : values) RegistrySandbox::Write(HKEY_CURRENT_USER, Key, name, type, bytes);
  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, Key, KEY_READ));
  Texts read = {key.GetStringValue("Embedded"), key.GetStringValue("Long"), std::to_string(key.GetDWordValue("Dword")),
                std::to_string(key.GetDWordValue("Qword"))};
  for (const char* name : {"Fits", "TooLong"}) {
    char buffer[6] = {'-', '-', '-', '-', '!', '!'};
    const bool fits = key.GetBinaryValue(name, buffer, 4);
    read.push_back(std::string(fits ? "read " : "refused ") + std::string(buffer, 6));
  }
  EXPECT_EQ((Texts{"abc", longText, "305419896", "0", "read abcd!!", "refused ----!!"}), read);
}

TEST_F(RegistryKeyTest, ClosedKeysReportEachCallByNameNoKeyDeletesItselfAndEachOpenedKeyIsClosedOnce) {
  RegistrySandbox::Write(HKEY_CURRENT_USER, Key, "x", REG_SZ, "");
  RegistryCalls calls;
  {
    CRegistryKey closed, first, second;
    char buffer[4];
    EXPECT_FALSE(closed.Open(HKEY_CURRENT_USER, "SOFTWARE\\Missing", KEY_READ));
    EXPECT_EQ((Texts{"", "0"}), (Texts{closed.GetStringValue("x"), std::to_string(closed.GetDWordValue("x"))}));
    EXPECT_FALSE(closed.GetBinaryValue("x", buffer, 4) || closed.DeleteSubKey("x") || closed.HasValue("x") ||
                 closed.Close());
    ASSERT_TRUE(first.Open(HKEY_CURRENT_USER, Key, KEY_READ) && second.Open(HKEY_CURRENT_USER, Key, KEY_READ));
    EXPECT_FALSE(first.DeleteSubKey(""));
    second = std::move(first);  // closes the key that second held
    CRegistryKey third(std::move(second));
    EXPECT_EQ(1, calls.Closes);
  }
  EXPECT_EQ((std::vector<int>{2, 2}), (std::vector<int>{calls.Opens, calls.Closes})) << "each closed by its last owner";
  EXPECT_TRUE(CRegistryKey().Open(HKEY_CURRENT_USER, Key, KEY_READ)) << "the key deleted itself";
  Texts shown;
  for (const char* call : {"GetStringValue", "GetDWordValue", "GetBinaryValue", "DeleteSubKey"})
    shown.push_back(call + std::string(" called on a closed CRegistryKey"));
  shown.push_back("Error while deleting a registry key");
  for (std::string& text : shown) text = MessageBoxCatcher::Describe(text, "", MB_ICONERROR, "");
  EXPECT_EQ(shown, Boxes.Boxes);
}

}  // namespace
