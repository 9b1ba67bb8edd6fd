// A scan reads a registration's key again only when its last-write time has changed; keys are
// trusted only once they are two seconds old, so these tests wait that long after writing.
#include <gtest/gtest.h>

#include "inventory/InventoryScan.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySandbox.h"

namespace {

const std::string AppKey = std::string(UninstallPath) + "App";

class RegistrationCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "App",
                                     {{"DisplayName", "Settled App"}, {"UninstallString", "u.exe"}, {"Publisher", "Old"}});
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Other", {{"DisplayName", "Other Tool"}, {"UninstallString", "o.exe"}});
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "NotAProgram", {{"DisplayName", "No uninstall value"}});
    Sleep(2100);
  }

  static ProgramEntry Scanned(const std::string& title, const std::string& search = "") {
    for (const auto& entry : ScanInventory(search, false))
      if (Title(entry) == title) return entry;
    ADD_FAILURE() << title << " not listed";
    return ProgramEntry();
  }

  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};

TEST_F(RegistrationCacheTest, UnchangedKeysAreNotReadAgain) {
  ScanInventory("", false);
  RegistryCalls calls;
  const std::vector<ProgramEntry> entries = ScanInventory("", false);

  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ("Old", entries[0].Publisher);
  EXPECT_EQ(0, calls.Queries);
  EXPECT_EQ(0, calls.ValueEnumerations);
  // The user has no uninstall key here; the machine has both.
  EXPECT_EQ((std::vector<std::string>{UninstallPath, UninstallPath, ArpCachePath}), calls.OpenedPaths)
      << "only the uninstall and usage cache keys of each root are opened";
}

TEST_F(RegistrationCacheTest, AChangedValueIsReadAgain) {
  EXPECT_EQ("Old", Scanned("Settled App").Publisher);
  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, AppKey, "Publisher", "New");
  EXPECT_EQ("New", Scanned("Settled App").Publisher);

  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "NotAProgram", "UninstallString", "n.exe");
  EXPECT_EQ("NotAProgram", Scanned("No uninstall value").KeyName);
}

TEST_F(RegistrationCacheTest, ADeletedValueOrKeyIsSeen) {
  ScanInventory("", false);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, AppKey.c_str(), 0, KEY_ALL_ACCESS, &key));
  RegDeleteValueA(key, "UninstallString");
  RegCloseKey(key);
  RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "Other");

  EXPECT_TRUE(ScanInventory("", false).empty());
}

TEST_F(RegistrationCacheTest, AnEntryDroppedBySearchIsCompletedWhenItIsListedAgain) {
  EXPECT_EQ("Other Tool", Title(ScanInventory("other", false).at(0)));
  const ProgramEntry entry = Scanned("Settled App");
  EXPECT_EQ("u.exe", entry.UninstallString);
  EXPECT_EQ("Old", entry.Publisher);

  RegistryCalls calls;
  EXPECT_EQ(1u, ScanInventory("settled", false).size());
  EXPECT_EQ(0, calls.OpensOf("App"));
}

TEST_F(RegistrationCacheTest, UsageDataIsReadByEveryScan) {
  EXPECT_EQ(0, Scanned("Settled App").HasUsageData);
  UsageRecord record;
  record.UseCount = 9;
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "App", record);
  EXPECT_EQ(9, Scanned("Settled App").UseCount);
}

TEST(RegistrationCacheFreshKeysTest, KeysWrittenJustNowAreReadByEveryScan) {
  RegistrySandbox registry;
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Fresh", {{"UninstallString", "u.exe"}});
  ScanInventory("", false);
  RegistryCalls calls;
  ScanInventory("", false);
  EXPECT_EQ(1, calls.OpensOf("Fresh"));
}

}  // namespace
