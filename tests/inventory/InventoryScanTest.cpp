#include "inventory/InventoryScan.h"

#include <gtest/gtest.h>

#include "inventory/AsciiCase.h"
#include "support/HandleCount.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySandbox.h"

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

class InventoryScanTest : public ::testing::Test {
 protected:
  static void Register(HKEY root, const std::string& key, const std::string& displayName) {
    RegistrySandbox::AddRegistration(root, key, {{"DisplayName", displayName}, {"UninstallString", "u.exe"}});
  }

  static std::vector<std::string> Titles(const std::string& search = "", bool showSystem = false) {
    std::vector<std::string> titles;
    for (const auto& entry : ScanInventory(search, showSystem)) titles.push_back(Title(entry));
    return titles;
  }

  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};

TEST_F(InventoryScanTest, HotFixesAreHiddenByTheirKeyNamePrefixUnlessSystemComponentsAreShown) {
  // Key names are case-insensitive in the registry: the lower-case one lives under the other root.
  Register(HKEY_CURRENT_USER, "kb123456", "");
  for (const char* key : {"KB123456", "Microsoft Security Patch 1", "XKB1", "Microsoft Security"})
    Register(HKEY_LOCAL_MACHINE, key, "");

  EXPECT_EQ((std::vector<std::string>{"kb123456", "Microsoft Security", "XKB1"}), Titles());
  EXPECT_EQ((std::vector<std::string>{"kb123456", "KB123456", "Microsoft Security",
                                      "Microsoft Security Patch 1", "XKB1"}),
            Titles("", true));
}

TEST_F(InventoryScanTest, OnlyRegistrationsWithAnUninstallValueOfTheExactNameAreListed) {
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Both", {{"UninstallString", "a"}, {"QuietUninstallString", "b"}});
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "QuietOnly", {{"QuietUninstallString", "q"}});
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "LowerCase", {{"DisplayName", "Lower"}, {"uninstallstring", "u"}});
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "NameOnly", {{"DisplayName", "Named"}});
  RegistrySandbox::WriteValue(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "EmptyBinary", "UninstallString", REG_BINARY, "");

  EXPECT_EQ((std::vector<std::string>{"Both", "EmptyBinary", "QuietOnly"}), Titles());
}

TEST_F(InventoryScanTest, TitleFallsBackToQuietDisplayNameThenKeyName) {
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "A", {{"DisplayName", "Shown"}, {"QuietDisplayName", "Quiet"}, {"UninstallString", "u"}});
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "B", {{"DisplayName", ""}, {"QuietDisplayName", "Quiet"}, {"UninstallString", "u"}});
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "C", {{"UninstallString", "u"}});

  EXPECT_EQ((std::vector<std::string>{"Shown", "Quiet", "C"}), Titles());
}

TEST_F(InventoryScanTest, SearchIgnoresTheCaseOfAsciiLettersOnlyAndSpansTheSeamBetweenNames) {
  Register(HKEY_LOCAL_MACHINE, "1", "Text Writer Pro");
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "2", {{"DisplayName", "Alpha"}, {"QuietDisplayName", "Beta"}, {"UninstallString", "u"}});
  Register(HKEY_LOCAL_MACHINE, "3", "Caf\xE9 Reader");
  Register(HKEY_LOCAL_MACHINE, "4", "CAF\xC9 READER");
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Nameless Tool", {{"UninstallString", "u"}});

  EXPECT_EQ(std::vector<std::string>{"Text Writer Pro"}, Titles("writer"));
  EXPECT_EQ(std::vector<std::string>{"Alpha"}, Titles("hab"));
  EXPECT_EQ(std::vector<std::string>{"Caf\xE9 Reader"}, Titles("\xE9"));
  EXPECT_EQ(std::vector<std::string>{"CAF\xC9 READER"}, Titles("f\xC9"));
  EXPECT_EQ(std::vector<std::string>{"Nameless Tool"}, Titles("nameless"));
  EXPECT_EQ((std::vector<std::string>{"Text Writer Pro", "Caf\xE9 Reader", "CAF\xC9 READER", "Nameless Tool"}),
            Titles(" "));
  EXPECT_TRUE(Titles("no such program").empty());
}

TEST_F(InventoryScanTest, SearchDoesNotTrimItsText) {
  Register(HKEY_LOCAL_MACHINE, "1", "Writer");
  Register(HKEY_LOCAL_MACHINE, "2", "Text Writer");

  EXPECT_EQ(std::vector<std::string>{"Text Writer"}, Titles(" writer"));
}

TEST_F(InventoryScanTest, CurrentUserRegistrationsComeFirstAndSameNamesAreListedTwice) {
  Register(HKEY_LOCAL_MACHINE, "Alpha", "Machine Alpha");
  Register(HKEY_LOCAL_MACHINE, "Shared", "Machine Shared");
  Register(HKEY_CURRENT_USER, "Shared", "User Shared");
  Register(HKEY_CURRENT_USER, "Zeta", "User Zeta");

  std::vector<ProgramEntry> entries = ScanInventory("", false);
  ASSERT_EQ(4u, entries.size());
  EXPECT_EQ("User Shared", entries[0].DisplayName);
  EXPECT_EQ("User Zeta", entries[1].DisplayName);
  EXPECT_EQ("Machine Alpha", entries[2].DisplayName);
  EXPECT_EQ("Machine Shared", entries[3].DisplayName);
  EXPECT_EQ(HKEY_CURRENT_USER, entries[0].Root);
  EXPECT_EQ(HKEY_CURRENT_USER, entries[1].Root);
  EXPECT_EQ(HKEY_LOCAL_MACHINE, entries[2].Root);
  EXPECT_EQ(HKEY_LOCAL_MACHINE, entries[3].Root);
}

TEST_F(InventoryScanTest, EveryValueLandsInItsOwnField) {
  const std::string key = std::string(UninstallPath) + "Full";
  const Values strings = {{"DisplayName", "Display"},       {"UninstallString", "Uninstall"},
                          {"QuietDisplayName", "QuietName"}, {"QuietUninstallString", "QuietUninstall"},
                          {"DisplayVersion", "1.2.3"},       {"Publisher", "Maker"},
                          {"URLInfoAbout", "about"},         {"URLUpdateInfo", "update"},
                          {"HelpLink", "help"},              {"HelpTelephone", "phone"},
                          {"Contact", "contact"},            {"Comments", "comments"},
                          {"Readme", "readme"}};
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Full", strings);
  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, key, "DisplayIcon", "%SystemRoot%\\x.exe,1", REG_EXPAND_SZ);
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, key, "EstimatedSize", 1500);
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, key, "WindowsInstaller", 1);

  std::vector<ProgramEntry> entries = ScanInventory("", false);
  ASSERT_EQ(1u, entries.size());
  const ProgramEntry& e = entries[0];
  const std::vector<std::string> fields = {e.DisplayName,  e.UninstallString, e.QuietDisplayName, e.QuietUninstallString,
                                           e.DisplayVersion, e.Publisher,     e.URLInfoAbout,     e.URLUpdateInfo,
                                           e.HelpLink,     e.HelpTelephone,   e.Contact,          e.Comments,
                                           e.Readme};
  for (size_t i = 0; i < strings.size(); ++i) EXPECT_EQ(strings[i].second, fields[i]) << strings[i].first;
  EXPECT_EQ("Full", e.KeyName);
  EXPECT_EQ("%SystemRoot%\\x.exe,1", e.DisplayIcon);
  EXPECT_EQ(1500u, e.EstimatedSize);
  EXPECT_EQ(1, e.WindowsInstaller);
  EXPECT_EQ(0, e.HasUsageData);
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(InventoryScanTest, WindowsInstallerIsSetOnlyByTheDWordOne) {
  const auto add = [](const std::string& name) { RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, name, {{"UninstallString", "u"}}); };
  for (const char* name : {"Dword1", "Dword2", "Text1", "Missing"}) add(name);
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "Dword1", "WindowsInstaller", 1);
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "Dword2", "WindowsInstaller", 2);
  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "Text1", "WindowsInstaller", "1");

  std::vector<ProgramEntry> entries = ScanInventory("", false);
  ASSERT_EQ(4u, entries.size());
  EXPECT_EQ(1, entries[0].WindowsInstaller);
  EXPECT_EQ(0, entries[1].WindowsInstaller);
  EXPECT_EQ(0, entries[2].WindowsInstaller);
  EXPECT_EQ(0, entries[3].WindowsInstaller);
}

TEST_F(InventoryScanTest, MissingUninstallKeysGiveAnEmptyInventorySilently) {
  EXPECT_TRUE(ScanInventory("", true).empty());
  RegistrySandbox::CreateKey(HKEY_LOCAL_MACHINE, UninstallPath);
  EXPECT_TRUE(ScanInventory("", true).empty());
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(InventoryScanTest, EveryKeyOpenedIsClosedOnEveryPath) {
  Register(HKEY_CURRENT_USER, "Kept", "Kept");
  Register(HKEY_LOCAL_MACHINE, "KB1", "Hot-fix");
  Register(HKEY_LOCAL_MACHINE, "Searched away", "Other");
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "No uninstall value", {{"DisplayName", "Kept too"}});
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "Kept", UsageRecord());
  ScanInventory("kept", false);  // first run: lets the process open what it keeps open

  const int before = CountOpenHandles();
  ASSERT_GT(before, 0);
  for (int i = 0; i < 5; ++i) {
    ScanInventory("kept", false);
    ScanInventory("", true);
  }
  EXPECT_EQ(before, CountOpenHandles());
}

TEST_F(InventoryScanTest, On32BitWindowsExactlyTheTwoRootsAreScanned) {
  ASSERT_FALSE(RunsUnderWow64()) << "these tests run in a 32-bit prefix";
  RegistryCalls calls;
  ScanInventory("", true);
  EXPECT_EQ(2, calls.OpensOf(UninstallKeyPath));
}

TEST(AsciiCaseTest, OnlyLettersAToZChange) {
  EXPECT_EQ("ABC XYZ 09 @[`{", UpperCaseAscii("abc xyz 09 @[`{"));
  EXPECT_EQ("\xE9\xFF\x80 \xC9", UpperCaseAscii("\xE9\xFF\x80 \xC9"));
}

}  // namespace
