// A scan reads a registration's key again only when its last-write time has changed; keys are
// trusted only once they are two seconds old, so these tests wait that long after writing.
#include <gtest/gtest.h>

#include "inventory/InventoryScan.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySandbox.h"
#include "support/TestData.h"

namespace {

using Texts = std::vector<std::string>;

class RegistrationCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistrySandbox::AddRegistration(
        HKEY_LOCAL_MACHINE, "App",
        {{"DisplayName", "Settled App"}, {"UninstallString", "u.exe"}, {"Publisher", "Old"}});
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Other",
                                     {{"DisplayName", "Other Tool"}, {"UninstallString", "o.exe"}});
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "NotAProgram", {{"DisplayName", "No uninstall value"}});
    Sleep(2100);
  }

  // "title publisher use-count" of every entry listed.
  static Texts Scanned(const std::string& search = "") {
    Texts scanned;
    for (const auto& entry : ScanInventory(search, false))
      scanned.push_back(Title(entry) + " " + entry.Publisher + " " + std::to_string(entry.UseCount));
    return scanned;
  }

  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};

TEST_F(RegistrationCacheTest, OnlyKeysWrittenSinceOrJustNowAreReadAgainAndTheResultIsTheSame) {
  const Texts first = Scanned();
  ASSERT_EQ((Texts{"Settled App Old 0", "Other Tool  0"}), first);
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "Fresh", {{"UninstallString", "f.exe"}});
  Scanned();

  RegistryCalls calls;
  EXPECT_EQ((Texts{"Settled App Old 0", "Fresh  0", "Other Tool  0"}), Scanned());
  // The user has no uninstall key here; the machine has no usage cache key.
  EXPECT_EQ((Texts{UninstallPath, UninstallPath, ArpCachePath, "Fresh"}), calls.OpenedPaths);
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(RegistrationCacheTest, ChangedValuesAndDeletedKeysAreSeenAndUsageDataIsReadByEveryScan) {
  Scanned();
  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, UninstallKey("App"), "Publisher", "New");
  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, UninstallKey("NotAProgram"), "UninstallString", "n.exe");
  RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey("Other"));
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "App", UsageOf(0, 9));

  EXPECT_EQ((Texts{"Settled App New 9", "No uninstall value  0"}), Scanned());
}

TEST_F(RegistrationCacheTest, AnEntryDroppedBySearchIsCompletedWhenItIsListedAgain) {
  EXPECT_EQ((Texts{"Other Tool  0"}), Scanned("other"));
  const std::vector<ProgramEntry> entries = ScanInventory("", false);
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ("u.exe", entries[0].UninstallString);
  EXPECT_EQ("Old", entries[0].Publisher);

  RegistryCalls calls;
  EXPECT_EQ((Texts{"Settled App Old 0"}), Scanned("settled"));
  EXPECT_EQ(0, calls.OpensOf("App"));
}

}  // namespace
