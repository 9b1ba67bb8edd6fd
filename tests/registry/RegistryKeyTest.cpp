#include <gtest/gtest.h>
#include <tuple>
#include <utility>

#include "registry/RegistryKey.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySandbox.h"

namespace {

using Texts = std::vector<std::string>;
const std::string Key = "SOFTWARE\\Quillmere Test";

class RegistryKeyTest : public ::testing::Test {
 protected:
  // Writes the values and opens the key that holds them.
  CRegistryKey OpenWith(const std::vector<std::tuple<const char*, DWORD, std::string>>& values) {
    RegistrySandbox::CreateKey(HKEY_CURRENT_USER, Key);
    for (const auto& value : values)
      RegistrySandbox::WriteValue(HKEY_CURRENT_USER, Key, std::get<0>(value), std::get<1>(value), std::get<2>(value));
    CRegistryKey key;
    EXPECT_TRUE(key.Open(HKEY_CURRENT_USER, Key, KEY_READ));
    return key;
  }

  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};

TEST_F(RegistryKeyTest, ValuesAreReadAsStoredAndNeverOverrunTheirDestination) {
  CRegistryKey key = OpenWith({{"Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\x.exe\0", 19)},
                               {"Embedded", REG_SZ, std::string("abc\0def\0", 8)},
                               {"NoNul", REG_SZ, "plain"},
                               {"Dword", REG_DWORD, "\x78\x56\x34\x12"},
                               {"Long", REG_DWORD, std::string("\x01\0\0\0\x02\0\0\0", 8)},
                               {"Fits", REG_BINARY, "abcd"},
                               {"Short", REG_BINARY, "xy"},
                               {"TooLong", REG_BINARY, "abcdef"},
                               {"Empty", REG_BINARY, ""},
                               {"Text", REG_SZ, std::string("abc\0", 4)}});

  EXPECT_EQ("%SystemRoot%\\x.exe", key.GetStringValue("Expand"));
  EXPECT_EQ("abc", key.GetStringValue("Embedded"));
  EXPECT_EQ("plain", key.GetStringValue("NoNul"));
  EXPECT_EQ("", key.GetStringValue("Dword"));
  EXPECT_EQ("", key.GetStringValue("Missing"));
  EXPECT_EQ(0x12345678u, key.GetDWordValue("Dword"));
  for (const char* name : {"Fits", "Text", "Long", "Missing"}) EXPECT_EQ(0u, key.GetDWordValue(name)) << name;

  char buffer[6] = {'-', '-', '-', '-', '!', '!'};
  EXPECT_TRUE(key.GetBinaryValue("Fits", buffer, 4));
  EXPECT_EQ("abcd!!", std::string(buffer, 6));
  EXPECT_TRUE(key.GetBinaryValue("Short", buffer, 4));
  for (const char* name : {"TooLong", "Empty", "Text", "Missing"})
    EXPECT_FALSE(key.GetBinaryValue(name, buffer, 4)) << name;
  EXPECT_EQ("xycd!!", std::string(buffer, 6));
  EXPECT_TRUE(key.Close());
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(RegistryKeyTest, CallsOnAClosedKeyReportTheirOwnNamesAndTheKeyItselfIsNeverDeleted) {
  CRegistryKey key;
  EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, "SOFTWARE\\Does Not Exist", KEY_READ));
  char buffer[4];
  EXPECT_EQ("", key.GetStringValue("x"));
  EXPECT_EQ(0u, key.GetDWordValue("x"));
  EXPECT_FALSE(key.GetBinaryValue("x", buffer, sizeof buffer));
  EXPECT_FALSE(key.DeleteSubKey("x"));
  EXPECT_FALSE(key.HasValue("x"));
  for (const auto& box : Boxes.Boxes()) {
    EXPECT_EQ("", box.Caption);
    EXPECT_EQ(nullptr, box.Owner);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), box.Style);
  }

  key = OpenWith({});
  EXPECT_FALSE(key.DeleteSubKey(""));
  key.Close();
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_CURRENT_USER, Key));
  EXPECT_EQ((Texts{"GetStringValue called on a closed CRegistryKey", "GetDWordValue called on a closed CRegistryKey",
                   "GetBinaryValue called on a closed CRegistryKey", "DeleteSubKey called on a closed CRegistryKey",
                   "Error while deleting a registry key"}),
            Boxes.Texts());
}

TEST_F(RegistryKeyTest, EachOpenedKeyIsClosedOnceWhereverItWasMovedAndAClosedKeyIsNeverClosedAgain) {
  RegistrySandbox::CreateKey(HKEY_CURRENT_USER, Key);
  RegistryCalls calls;
  {
    CRegistryKey first, second;
    ASSERT_TRUE(first.Open(HKEY_CURRENT_USER, Key, KEY_READ) && second.Open(HKEY_CURRENT_USER, Key, KEY_READ));
    second = std::move(first);  // closes the key that second held
    CRegistryKey third(std::move(second));
    EXPECT_EQ(1, calls.Closes);
    EXPECT_EQ((std::vector<bool>{false, false, true}),
              (std::vector<bool>{first.IsOpen(), second.IsOpen(), third.IsOpen()}));
  }
  EXPECT_EQ(2, calls.Closes) << "closed by the last owner as it went out of scope";
  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, Key, KEY_READ));
  EXPECT_TRUE(key.Close());
  EXPECT_FALSE(key.Close());
  EXPECT_EQ(3, calls.Closes);
}

}  // namespace
