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

}  // namespace
