#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <random>

#include "app/MainWindow.h"
#include "app/Scan.h"
#include "app/resources/ResourceIds.h"
#include "support/AppSession.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySnapshot.h"
#include "support/Ticker.h"
#include "support/UninstallerScript.h"
#include "support/TestData.h"

namespace {

using Titles = std::vector<std::string>;

const char* const Confirmation = "Are you sure you want to remove entry from the list?";
const char* const DeletionFailed = "Error while deleting a registry key";

// The whole of both scratch roots.
struct Registries {
  RegistrySnapshot User = TakeRegistrySnapshot(HKEY_CURRENT_USER);
  RegistrySnapshot Machine = TakeRegistrySnapshot(HKEY_LOCAL_MACHINE);

  RegistrySnapshot& Of(HKEY root) { return root == HKEY_CURRENT_USER ? User : Machine; }
  bool operator==(const Registries& other) const { return User == other.User && Machine == other.Machine; }
};

// snapshot without the registration keyName: the key, its values and anything below it.
RegistrySnapshot Without(RegistrySnapshot snapshot, const std::string& keyName) {
  const std::string key = std::string("\\") + UninstallPath + keyName + "\\";
  for (auto it = snapshot.begin(); it != snapshot.end();)
    it = it->first.compare(0, key.size(), key) == 0 ? snapshot.erase(it) : std::next(it);
  return snapshot;
}

class RemoveEntryTest : public AppTest {
 protected:
  // Command 10003 with the confirmation answered.
  void RemoveSelectedEntry(int answer) {
    Boxes.QueueAnswer(answer);
    SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REMOVE_ENTRY, 0);
  }

  static int IndexOf(const std::string& title) {
    const Titles titles = ListTitles();
    const auto found = std::find(titles.begin(), titles.end(), title);
    return found == titles.end() ? -1 : static_cast<int>(found - titles.begin());
  }

  void SelectTitle(const std::string& title) {
    const int index = IndexOf(title);
    ASSERT_NE(-1, index) << title << " is not listed";
    Select(index);
    ASSERT_EQ(index, SelectedIndex());
  }

  void ExpectOnlyTheConfirmation() {
    ASSERT_EQ(1u, Boxes.Boxes().size());
    const CaughtMessageBox& box = Boxes.Boxes()[0];
    EXPECT_EQ(Confirmation, box.Text);
    EXPECT_EQ("Quillmere", box.Caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING | MB_YESNO), box.Style);
    EXPECT_EQ(MainWindow.GetHandle(), box.Owner);
  }

  void ExpectTheConfirmationThenTheDeletionError() {
    ASSERT_EQ(2u, Boxes.Boxes().size());
    EXPECT_EQ(Confirmation, Boxes.Boxes()[0].Text);
    const CaughtMessageBox& error = Boxes.Boxes()[1];
    EXPECT_EQ(DeletionFailed, error.Text);
    EXPECT_EQ("", error.Caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), error.Style);
    EXPECT_EQ(nullptr, error.Owner);
  }
};

TEST_F(RemoveEntryTest, NoToTheConfirmationChangesNothingAndDoesNotRescan) {
  Register(HKEY_LOCAL_MACHINE, "alpha", "Alpha");
  Register(HKEY_CURRENT_USER, "beta", "Beta");
  StartUp();
  Select(1);
  const Registries before;
  RegistryCalls calls;
  RemoveSelectedEntry(IDNO);
  ExpectOnlyTheConfirmation();
  EXPECT_EQ(0, calls.Deletions);
  EXPECT_EQ(0, calls.OpensOf(UninstallPath)) << "no rescan";
  EXPECT_TRUE(before == Registries());
  EXPECT_EQ((Titles{"Alpha", "Beta"}), ListTitles());
  EXPECT_EQ(1, SelectedIndex());
}

class SameNameUnderBothRootsTest : public RemoveEntryTest, public ::testing::WithParamInterface<bool> {
 protected:
  HKEY Selected() const { return GetParam() ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
  HKEY Other() const { return GetParam() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
  static std::string TitleUnder(HKEY root) { return root == HKEY_CURRENT_USER ? "Shared (user)" : "Shared (machine)"; }
};

TEST_P(SameNameUnderBothRootsTest, RemovesOnlyTheSelectedRootsRegistration) {
  Register(HKEY_CURRENT_USER, "Shared", TitleUnder(HKEY_CURRENT_USER));
  Register(HKEY_LOCAL_MACHINE, "Shared", TitleUnder(HKEY_LOCAL_MACHINE));
  StartUp();
  SelectTitle(TitleUnder(Selected()));
  Registries expected;
  expected.Of(Selected()) = Without(expected.Of(Selected()), "Shared");

  RemoveSelectedEntry(IDYES);

  ExpectOnlyTheConfirmation();
  EXPECT_FALSE(RegistrySandbox::KeyExists(Selected(), UninstallKey("Shared")));
  EXPECT_TRUE(RegistrySandbox::KeyExists(Other(), UninstallKey("Shared")));
  EXPECT_TRUE(expected == Registries());
  EXPECT_EQ(Titles{TitleUnder(Other())}, ListTitles());
}

INSTANTIATE_TEST_SUITE_P(SelectedUnder, SameNameUnderBothRootsTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "CurrentUser" : "LocalMachine";
                         });

TEST_F(RemoveEntryTest, ARegistrationFoundOnlyUnderTheCurrentUserIsRemovable) {
  Register(HKEY_CURRENT_USER, "mine", "Mine");
  Register(HKEY_LOCAL_MACHINE, "theirs", "Theirs");
  StartUp();
  SelectTitle("Mine");
  Registries expected;
  expected.User = Without(expected.User, "mine");
  RemoveSelectedEntry(IDYES);
  ExpectOnlyTheConfirmation();
  EXPECT_TRUE(expected == Registries());
  EXPECT_EQ(Titles{"Theirs"}, ListTitles());
}

TEST_F(RemoveEntryTest, AKeyWithValuesOnlyGoesWholeAndTheNextItemTakesItsPlace) {
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "beta",
                                   {{"DisplayName", "Beta"},
                                    {"UninstallString", "beta.exe /x"},
                                    {"Publisher", "Beta Works"},
                                    {"DisplayVersion", "2.1"}});
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("beta"), "EstimatedSize", 1234);
  Register(HKEY_LOCAL_MACHINE, "alpha", "Alpha");
  Register(HKEY_LOCAL_MACHINE, "gamma", "Gamma");
  StartUp();
  SelectTitle("Beta");
  RemoveSelectedEntry(IDYES);
  EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("beta")));
  EXPECT_EQ((Titles{"Alpha", "Gamma"}), ListTitles());
  EXPECT_EQ(1, SelectedIndex()) << "the item at the same position";
}

TEST_F(RemoveEntryTest, AKeyWithSubkeysIsReportedAndStaysListed) {
  Register(HKEY_LOCAL_MACHINE, "nested", "Nested");
  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, UninstallKey("nested") + "\\Parts", "Part", "1");
  StartUp();
  SelectTitle("Nested");
  const Registries before;
  RemoveSelectedEntry(IDYES);
  ExpectTheConfirmationThenTheDeletionError();
  EXPECT_TRUE(before == Registries());
  EXPECT_EQ(Titles{"Nested"}, ListTitles());
}

TEST_F(RemoveEntryTest, TheUsageCacheIsNotTouched) {
  Register(HKEY_LOCAL_MACHINE, "cached", "Cached");
  Register(HKEY_CURRENT_USER, "cached", "Cached too");
  UsageRecord record;
  record.UseCount = 12;
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "cached", record);
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "cached", record);
  StartUp();
  SelectTitle("Cached");
  Registries expected;
  expected.Machine = Without(expected.Machine, "cached");
  RemoveSelectedEntry(IDYES);
  EXPECT_TRUE(expected == Registries());
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, ArpCachePath + std::string("cached")));
}

TEST_F(RemoveEntryTest, WithoutASelectionYesDeletesNothing) {
  Register(HKEY_LOCAL_MACHINE, "alpha", "Alpha");
  StartUp();
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  ASSERT_EQ(-1, SelectedIndex());
  const Registries before;
  RegistryCalls calls;
  RemoveSelectedEntry(IDYES);
  ExpectOnlyTheConfirmation();
  EXPECT_EQ(0, calls.Deletions);
  EXPECT_TRUE(before == Registries());
}

TEST_F(RemoveEntryTest, ARegistrationThatVanishedSinceTheScanIsReportedAndNothingElseGoes) {
  Register(HKEY_LOCAL_MACHINE, "App", "App");
  Register(HKEY_LOCAL_MACHINE, "App 2", "App 2");
  Register(HKEY_CURRENT_USER, "App", "App (user)");
  StartUp();
  SelectTitle("App");
  RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey("App"));
  const Registries before;
  RemoveSelectedEntry(IDYES);
  ExpectTheConfirmationThenTheDeletionError();
  EXPECT_TRUE(before == Registries());
  EXPECT_EQ((Titles{"App (user)", "App 2"}), ListTitles());
}

TEST_F(RemoveEntryTest, WhenTheUninstallKeyItselfHasGoneNothingIsReported) {
  Register(HKEY_LOCAL_MACHINE, "App", "App");
  Register(HKEY_CURRENT_USER, "App", "App (user)");
  StartUp();
  SelectTitle("App");
  RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, UninstallPath);
  const Registries before;
  RemoveSelectedEntry(IDYES);
  ExpectOnlyTheConfirmation();
  EXPECT_TRUE(before == Registries());
}

TEST_F(RemoveEntryTest, NothingIsRemovedWhileAnUninstallerRuns) {
  UninstallerScript helper;
  NamedEvent release;
  Register(HKEY_LOCAL_MACHINE, "busy", "Busy", helper.CommandLine("--wait-event " + release.Name()));
  StartUp();
  const Registries before;
  Ticker ticker(20, [&] {
    if (ticker.Ticks() == 1) RemoveSelectedEntry(IDYES);
    if (ticker.Ticks() == 3) release.Set();
  });
  SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(1u, helper.Launches().size());
  EXPECT_TRUE(before == Registries());
  EXPECT_EQ(Titles{"Busy"}, ListTitles());
}

// Random registrations, many sharing their names across the two roots, some with subkeys, some
// hidden hot-fixes, some with usage records: removing any listed entry deletes that one key and
// nothing else, or nothing at all when the key has subkeys.
class RemovalSafetyTest : public RemoveEntryTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  struct Registration {
    HKEY Root;
    std::string KeyName;
    bool HasSubkey;
  };

  static std::string TitleOf(const Registration& registration) {
    return registration.KeyName + (registration.Root == HKEY_CURRENT_USER ? " @user" : " @machine");
  }

  std::vector<Registration> WriteRandomRegistrations(std::mt19937& random) {
    static const char* const names[] = {"App",     "App 2",   "App.old", "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}",
                                        "a",       "Tool",    "Tool (x86)", "KB123456"};
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegistrySandbox::DeleteTree(root, "SOFTWARE");
    std::vector<Registration> written;
    for (const char* name : names) {
      for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        if (random() % 3 == 0) continue;
        Registration registration{root, name, random() % 5 == 0};
        RegistrySandbox::AddRegistration(root, name, {{"DisplayName", TitleOf(registration)}, {"UninstallString", "x"}});
        if (registration.HasSubkey) RegistrySandbox::CreateKey(root, UninstallKey(name) + "\\Sub");
        if (random() % 2) RegistrySandbox::WriteUsageRecord(root, name, UsageRecord());
        written.push_back(registration);
      }
    }
    return written;
  }
};

TEST_P(RemovalSafetyTest, RemovingAnyEntryDeletesExactlyThatKey) {
  std::mt19937 random(GetParam());
  StartUp();
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::vector<Registration> registrations = WriteRandomRegistrations(random);
    Scan();
    PumpMessages();
    const Titles titles = ListTitles();
    if (titles.empty()) continue;
    const std::string title = titles[random() % titles.size()];
    const auto chosen = std::find_if(registrations.begin(), registrations.end(),
                                     [&](const Registration& r) { return TitleOf(r) == title; });
    ASSERT_NE(registrations.end(), chosen) << title;
    SelectTitle(title);

    Registries expected;
    if (!chosen->HasSubkey) expected.Of(chosen->Root) = Without(expected.Of(chosen->Root), chosen->KeyName);
    Boxes.Clear();
    RemoveSelectedEntry(IDYES);

    EXPECT_TRUE(expected == Registries()) << "removing " << title;
    EXPECT_EQ(chosen->HasSubkey ? 2u : 1u, Boxes.Boxes().size()) << "removing " << title;
    EXPECT_EQ(chosen->HasSubkey, IndexOf(title) != -1) << "removing " << title;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RemovalSafetyTest, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
