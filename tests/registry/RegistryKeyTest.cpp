#include "registry/RegistryKey.h"

#include <gtest/gtest.h>

#include "support/MessageBoxCatcher.h"
#include "support/RegistrySandbox.h"

namespace {

const std::string Key = "SOFTWARE\\Quillmere Test";

class RegistryKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { RegistrySandbox::CreateKey(HKEY_CURRENT_USER, Key); }

  CRegistryKey OpenTestKey() {
    CRegistryKey key;
    EXPECT_TRUE(key.Open(HKEY_CURRENT_USER, Key, KEY_READ));
    return key;
  }

  void Write(const std::string& name, DWORD type, const std::string& bytes) {
    RegistrySandbox::WriteValue(HKEY_CURRENT_USER, Key, name, type, bytes);
  }

  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};

TEST_F(RegistryKeyTest, StringValuesAreReadAsStoredUpToTheirFirstNul) {
  Write("Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\x.exe\0", 19));
  Write("Embedded", REG_SZ, std::string("abc\0def\0", 8));
  Write("NoNul", REG_SZ, "plain");
  Write("Empty", REG_SZ, "");
  Write("Number", REG_DWORD, std::string("\x01\0\0\0", 4));
  CRegistryKey key = OpenTestKey();

  EXPECT_EQ("%SystemRoot%\\x.exe", key.GetStringValue("Expand"));
  EXPECT_EQ("abc", key.GetStringValue("Embedded"));
  EXPECT_EQ("plain", key.GetStringValue("NoNul"));
  EXPECT_EQ("", key.GetStringValue("Empty"));
  EXPECT_EQ("", key.GetStringValue("Missing"));
  EXPECT_EQ("", key.GetStringValue("Number"));
  EXPECT_TRUE(key.Close());
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(RegistryKeyTest, DWordValuesNeedTheDWordTypeAndNeverOverrunTheirVariable) {
  Write("Dword", REG_DWORD, std::string("\x78\x56\x34\x12", 4));
  Write("Zero", REG_DWORD, std::string(4, '\0'));
  Write("Binary", REG_BINARY, std::string("\x01\0\0\0", 4));
  Write("Text", REG_SZ, std::string("1\0", 2));
  Write("Long", REG_DWORD, std::string("\x01\0\0\0\x02\0\0\0", 8));
  CRegistryKey key = OpenTestKey();

  EXPECT_EQ(0x12345678u, key.GetDWordValue("Dword"));
  EXPECT_EQ(0u, key.GetDWordValue("Zero"));
  EXPECT_EQ(0u, key.GetDWordValue("Binary"));
  EXPECT_EQ(0u, key.GetDWordValue("Text"));
  EXPECT_EQ(0u, key.GetDWordValue("Long"));
  EXPECT_EQ(0u, key.GetDWordValue("Missing"));
  key.Close();
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(RegistryKeyTest, ReadsOnAClosedKeyReportTheirOwnNames) {
  CRegistryKey key;
  EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, "SOFTWARE\\Does Not Exist", KEY_READ));
  EXPECT_TRUE(Boxes.Boxes().empty());

  char buffer[4];
  EXPECT_EQ("", key.GetStringValue("x"));
  EXPECT_EQ(0u, key.GetDWordValue("x"));
  EXPECT_FALSE(key.GetBinaryValue("x", buffer, sizeof buffer));
  EXPECT_FALSE(key.DeleteSubKey("x"));
  EXPECT_FALSE(key.HasValue("x"));

  ASSERT_EQ(4u, Boxes.Boxes().size());
  EXPECT_EQ("GetStringValue called on a closed CRegistryKey", Boxes.Boxes()[0].Text);
  EXPECT_EQ("GetDWordValue called on a closed CRegistryKey", Boxes.Boxes()[1].Text);
  EXPECT_EQ("GetBinaryValue called on a closed CRegistryKey", Boxes.Boxes()[2].Text);
  EXPECT_EQ("DeleteSubKey called on a closed CRegistryKey", Boxes.Boxes()[3].Text);
  for (const auto& box : Boxes.Boxes()) {
    EXPECT_EQ("", box.Caption);
    EXPECT_EQ(nullptr, box.Owner);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), box.Style);
  }
}

TEST_F(RegistryKeyTest, BinaryValuesNeverOverrunTheDestination) {
  Write("Fits", REG_BINARY, "abcd");
  Write("Short", REG_BINARY, "ab");
  Write("TooLong", REG_BINARY, "abcdef");
  Write("Empty", REG_BINARY, "");
  Write("Text", REG_SZ, std::string("abc\0", 4));
  CRegistryKey key = OpenTestKey();

  char buffer[6] = {'-', '-', '-', '-', '!', '!'};
  EXPECT_TRUE(key.GetBinaryValue("Fits", buffer, 4));
  EXPECT_EQ("abcd!!", std::string(buffer, 6));
  char zeroed[4] = {};
  EXPECT_TRUE(key.GetBinaryValue("Short", zeroed, 4));
  EXPECT_EQ(std::string("ab\0\0", 4), std::string(zeroed, 4));
  EXPECT_FALSE(key.GetBinaryValue("TooLong", buffer, 4));
  EXPECT_EQ("abcd!!", std::string(buffer, 6));
  EXPECT_FALSE(key.GetBinaryValue("Empty", buffer, 4));
  EXPECT_FALSE(key.GetBinaryValue("Text", buffer, 4));
  EXPECT_FALSE(key.GetBinaryValue("Missing", buffer, 4));
  key.Close();
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(RegistryKeyTest, HasValueFindsAnyTypeButOnlyTheExactName) {
  Write("UninstallString", REG_SZ, std::string("x\0", 2));
  Write("NoData", REG_BINARY, "");
  Write("Number", REG_DWORD, std::string(4, '\0'));
  CRegistryKey key = OpenTestKey();

  EXPECT_TRUE(key.HasValue("UninstallString"));
  EXPECT_TRUE(key.HasValue("NoData"));
  EXPECT_TRUE(key.HasValue("Number"));
  EXPECT_FALSE(key.HasValue("uninstallstring"));
  EXPECT_FALSE(key.HasValue("UninstallStrin"));
  EXPECT_FALSE(key.HasValue("QuietUninstallString"));
  key.Close();
}

TEST_F(RegistryKeyTest, EnumerateSubKeysListsOnlyTheLastKeysNamesAndKeepsThemAfterClose) {
  for (const char* name : {"B", "A", "C"}) RegistrySandbox::CreateKey(HKEY_CURRENT_USER, Key + "\\" + name);
  RegistrySandbox::CreateKey(HKEY_CURRENT_USER, Key + "\\A\\Deeper");
  RegistrySandbox::CreateKey(HKEY_CURRENT_USER, "SOFTWARE\\Other\\Only");

  CRegistryKey key = OpenTestKey();
  key.EnumerateSubKeys();
  key.Close();
  EXPECT_EQ((std::vector<std::string>{"A", "B", "C"}), key.SubKeyNames);
  EXPECT_EQ(3u, key.SubKeyCount);

  key.EnumerateSubKeys();  // closed: keeps what it had
  EXPECT_EQ(3u, key.SubKeyCount);

  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "SOFTWARE\\Other", KEY_READ));
  key.EnumerateSubKeys();
  key.Close();
  EXPECT_EQ(std::vector<std::string>{"Only"}, key.SubKeyNames);
  EXPECT_EQ(1u, key.SubKeyCount);
}

TEST_F(RegistryKeyTest, DeleteSubKeyRemovesOnlyTheNamedLeafKey) {
  RegistrySandbox::WriteString(HKEY_CURRENT_USER, Key + "\\Leaf", "DisplayName", "x");
  RegistrySandbox::CreateKey(HKEY_CURRENT_USER, Key + "\\Parent\\Child");
  CRegistryKey key = OpenTestKey();

  EXPECT_TRUE(key.DeleteSubKey("Leaf"));
  EXPECT_FALSE(key.DeleteSubKey("Parent"));
  EXPECT_FALSE(key.DeleteSubKey("Missing"));
  EXPECT_FALSE(key.DeleteSubKey(""));
  key.Close();

  EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_CURRENT_USER, Key + "\\Leaf"));
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_CURRENT_USER, Key + "\\Parent\\Child"));
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_CURRENT_USER, Key));
  EXPECT_EQ((std::vector<std::string>(3, "Error while deleting a registry key")), Boxes.Texts());
}

}  // namespace
