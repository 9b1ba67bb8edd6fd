#include <gtest/gtest.h>

#include "inventory/AsciiCase.h"
#include "inventory/InventoryScan.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySandbox.h"
#include "support/TestData.h"

namespace {

using Texts = std::vector<std::string>;

class InventoryScanTest : public ::testing::Test {
 protected:
  static void Register(HKEY root, const std::string& key, const std::string& displayName,
                       const std::string& quietName = "") {
    RegistrySandbox::AddRegistration(
        root, key, {{"DisplayName", displayName}, {"QuietDisplayName", quietName}, {"UninstallString", "u.exe"}});
  }

  static Texts Titles(const std::string& search = "", bool showSystem = false) {
    Texts titles;
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

  EXPECT_EQ((Texts{"kb123456", "Microsoft Security", "XKB1"}), Titles());
  EXPECT_EQ((Texts{"kb123456", "KB123456", "Microsoft Security", "Microsoft Security Patch 1", "XKB1"}),
            Titles("", true));
}

TEST_F(InventoryScanTest, OnlyRegistrationsWithAnUninstallValueOfTheExactNameAreListed) {
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Both",
                                   {{"UninstallString", "a"}, {"QuietUninstallString", "b"}});
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "QuietOnly", {{"QuietUninstallString", "q"}});
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "LowerCase",
                                   {{"DisplayName", "Lower"}, {"uninstallstring", "u"}});
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "NameOnly", {{"DisplayName", "Named"}});
  RegistrySandbox::WriteValue(HKEY_LOCAL_MACHINE, UninstallKey("EmptyBinary"), "UninstallString", REG_BINARY, "");

  EXPECT_EQ((Texts{"Both", "EmptyBinary", "QuietOnly"}), Titles());
}

TEST_F(InventoryScanTest, TitlesFallBackAndTheSearchIgnoresTheCaseOfAToZOnlyAcrossBothNames) {
  Register(HKEY_LOCAL_MACHINE, "1", "Text Writer Pro");
  Register(HKEY_LOCAL_MACHINE, "2", "Alpha", "Beta");
  Register(HKEY_LOCAL_MACHINE, "3", "", "Quiet");
  Register(HKEY_LOCAL_MACHINE, "4", "Café Reader");
  Register(HKEY_LOCAL_MACHINE, "5", "CAFÉ READER");
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Nameless Tool", {{"UninstallString", "u"}});

  const std::pair<const char*, Texts> searches[] = {
      {"", {"Text Writer Pro", "Alpha", "Quiet", "Café Reader", "CAFÉ READER", "Nameless Tool"}},
      {"writer", {"Text Writer Pro"}},
      {"hab", {"Alpha"}},
      {"é", {"Café Reader"}},
      {"fÉ", {"CAFÉ READER"}},
      {"nameless", {"Nameless Tool"}},
      {" ", {"Text Writer Pro", "Café Reader", "CAFÉ READER", "Nameless Tool"}},
      {"no such program", {}},
  };
  for (const auto& search : searches) EXPECT_EQ(search.second, Titles(search.first)) << '"' << search.first << '"';
}

TEST_F(InventoryScanTest, CurrentUserRegistrationsComeFirstAndSameNamesAreListedTwiceEachWithItsOwnUsage) {
  Register(HKEY_LOCAL_MACHINE, "Alpha", "Machine Alpha");
  Register(HKEY_LOCAL_MACHINE, "Shared", "Machine Shared");
  Register(HKEY_CURRENT_USER, "Shared", "User Shared");
  Register(HKEY_CURRENT_USER, "Zeta", "User Zeta");
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "Shared", UsageOf(0, 7));

  Texts listed;
  for (const auto& entry : ScanInventory("", false))
    listed.push_back(entry.DisplayName + (entry.Root == HKEY_CURRENT_USER ? " HKCU " : " HKLM ") +
                     std::to_string(entry.HasUsageData ? entry.UseCount : -2));
  EXPECT_EQ((Texts{"User Shared HKCU -2", "User Zeta HKCU -2", "Machine Alpha HKLM -2", "Machine Shared HKLM 7"}),
            listed);
}

TEST_F(InventoryScanTest, EveryValueLandsInItsOwnFieldAndOnlyADWordOneMarksAWindowsInstallerEntry) {
  const Texts names = {"DisplayName",    "UninstallString", "QuietDisplayName", "QuietUninstallString",
                       "DisplayVersion", "Publisher",       "URLInfoAbout",     "URLUpdateInfo",
                       "HelpLink",       "HelpTelephone",   "Contact",          "Comments",
                       "Readme",         "DisplayIcon"};
  for (const auto& name : names) RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, UninstallKey("Full"), name, name);
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("Full"), "EstimatedSize", 1500);
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("Full"), "WindowsInstaller", 1);
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Text", {{"UninstallString", "u"}, {"WindowsInstaller", "1"}});
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Two", {{"UninstallString", "u"}});
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("Two"), "WindowsInstaller", 2);

  const std::vector<ProgramEntry> entries = ScanInventory("", false);
  ASSERT_EQ(3u, entries.size());
  const ProgramEntry& e = entries[0];
  EXPECT_EQ(names, (Texts{e.DisplayName, e.UninstallString, e.QuietDisplayName, e.QuietUninstallString,
                          e.DisplayVersion, e.Publisher, e.URLInfoAbout, e.URLUpdateInfo, e.HelpLink, e.HelpTelephone,
                          e.Contact, e.Comments, e.Readme, e.DisplayIcon}));
  EXPECT_EQ("Full", e.KeyName);
  EXPECT_EQ(1500u, e.EstimatedSize);
  EXPECT_EQ(1, e.WindowsInstaller);
  EXPECT_EQ(0, entries[1].WindowsInstaller);
  EXPECT_EQ(0, entries[2].WindowsInstaller);
}

TEST_F(InventoryScanTest, MissingKeysGiveAnEmptyInventoryAndTheTwoPassesCloseEveryKeyTheyOpen) {
  ASSERT_FALSE(RunsUnderWow64()) << "these tests run in a 32-bit prefix";
  EXPECT_TRUE(ScanInventory("", true).empty());
  // Every open below succeeds (each registration has a usage record), so each must be closed.
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (const char* key : {"Kept", "KB1", "Searched away", "No uninstall value"}) {
      RegistrySandbox::AddRegistration(root, key, {{"DisplayName", key}});
      RegistrySandbox::WriteUsageRecord(root, key, UsageOf(1, 1));
    }
    for (const char* key : {"Kept", "KB1", "Searched away"})
      RegistrySandbox::WriteString(root, UninstallKey(key), "UninstallString", "u");
  }
  RegistryCalls calls;
  EXPECT_EQ(2u, ScanInventory("kept", false).size());
  EXPECT_EQ(6u, ScanInventory("", true).size());
  EXPECT_EQ(4, calls.OpensOf(UninstallKeyPath)) << "each scan has exactly two passes: the two roots";
  EXPECT_GE(calls.Opens, 20);
  EXPECT_EQ(calls.Opens, calls.Closes);
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST(AsciiCaseTest, OnlyLettersAToZChange) {
  EXPECT_EQ("ABC XYZ 09 @[`{ \xE9\xFF\x80\xC9", UpperCaseAscii("abc xyz 09 @[`{ \xE9\xFF\x80\xC9"));
}

}  // namespace
