#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <random>

#include "app/MainWindow.h"
#include "app/resources/ResourceIds.h"
#include "support/AppSession.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySnapshot.h"
#include "support/TestData.h"

namespace {

using Titles = std::vector<std::string>;

const char* const Confirmation = "Are you sure you want to remove entry from the list?";

class RemoveEntryTest : public AppTest {
 protected:
  // Command 10003 with the confirmation answered.
  void RemoveSelectedEntry(int answer) {
    Boxes.Clear();
    Boxes.QueueAnswer(answer);
    SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REMOVE_ENTRY, 0);
  }

  static int IndexOf(const std::string& title) {
    const Titles titles = ListTitles();
    const auto found = std::find(titles.begin(), titles.end(), title);
    return found == titles.end() ? -1 : static_cast<int>(found - titles.begin());
  }

  void SelectTitle(const std::string& title) {
    ASSERT_NE(-1, IndexOf(title)) << title << " is not listed";
    Select(IndexOf(title));
  }

  // The confirmation, then the deletion's error box when deletionFails.
  void ExpectBoxes(bool deletionFails) {
    ASSERT_EQ(deletionFails ? 2u : 1u, Boxes.Boxes().size());
    const CaughtMessageBox& question = Boxes.Boxes()[0];
    EXPECT_EQ(Confirmation, question.Text);
    EXPECT_EQ("Quillmere", question.Caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING | MB_YESNO), question.Style);
    EXPECT_EQ(MainWindow.GetHandle(), question.Owner);
    if (!deletionFails) return;
    const CaughtMessageBox& error = Boxes.Boxes()[1];
    EXPECT_EQ("Error while deleting a registry key", error.Text);
    EXPECT_EQ("", error.Caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), error.Style);
    EXPECT_EQ(nullptr, error.Owner);
  }
};

TEST_F(RemoveEntryTest, NoChangesNothingAndDoesNotRescanAndWithoutASelectionYesDeletesNothing) {
  Register(HKEY_LOCAL_MACHINE, "alpha", "Alpha");
  Register(HKEY_CURRENT_USER, "beta", "Beta");
  StartUp();
  Select(1);
  const Registries before;
  RegistryCalls calls;
  RemoveSelectedEntry(IDNO);
  ExpectBoxes(false);
  EXPECT_EQ(0, calls.Deletions);
  EXPECT_EQ(0, calls.OpensOf(UninstallPath)) << "no rescan";
  EXPECT_EQ((Titles{"Alpha", "Beta"}), ListTitles());
  EXPECT_EQ(1, SelectedIndex());

  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  ASSERT_EQ(-1, SelectedIndex());
  RemoveSelectedEntry(IDYES);
  ExpectBoxes(false);
  EXPECT_EQ(0, calls.Deletions);
  EXPECT_TRUE(before == Registries());
}

TEST_F(RemoveEntryTest, YesDeletesOnlyTheSelectedRootsKeyOfANameRegisteredUnderBoth) {
  for (HKEY selected : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    const HKEY other = selected == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    SCOPED_TRACE(selected == HKEY_CURRENT_USER ? "user" : "machine");
    Register(HKEY_CURRENT_USER, "Shared", "Shared (user)");
    Register(HKEY_LOCAL_MACHINE, "Shared", "Shared (machine)");
    StartUp();
    SelectTitle(selected == HKEY_CURRENT_USER ? "Shared (user)" : "Shared (machine)");
    Registries expected;
    expected.Of(selected) = WithoutRegistration(expected.Of(selected), "Shared");
    RemoveSelectedEntry(IDYES);
    ExpectBoxes(false);
    EXPECT_TRUE(expected == Registries());
    EXPECT_TRUE(RegistrySandbox::KeyExists(other, UninstallKey("Shared")));
    EXPECT_EQ(Titles{other == HKEY_CURRENT_USER ? "Shared (user)" : "Shared (machine)"}, ListTitles());
  }
}

TEST_F(RemoveEntryTest, AKeyThatHasSubkeysOrHasVanishedIsReportedAndNothingGoes) {
  Register(HKEY_LOCAL_MACHINE, "nested", "Nested");
  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, UninstallKey("nested") + "\\Parts", "Part", "1");
  Register(HKEY_LOCAL_MACHINE, "vanished", "Vanished");
  Register(HKEY_CURRENT_USER, "vanished", "Vanished (user)");
  StartUp();
  // Gone since the scan; the next rescan drops it from the list, so it goes first.
  RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey("vanished"));
  for (const char* title : {"Vanished", "Nested"}) {
    SCOPED_TRACE(title);
    SelectTitle(title);
    const Registries before;
    RemoveSelectedEntry(IDYES);
    ExpectBoxes(true);
    EXPECT_TRUE(before == Registries()) << "the same-named key under the other root stays";
  }
  EXPECT_EQ((Titles{"Nested", "Vanished (user)"}), ListTitles());
}

// Random registrations, many sharing their names across the two roots, some with subkeys, some
// hidden hot-fixes, some with usage records: removing any listed entry deletes that one key and
// nothing else, or nothing at all when the key has subkeys.
class RemovalSafetyTest : public RemoveEntryTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(RemovalSafetyTest, RemovingAnyEntryDeletesExactlyThatKey) {
  struct Registration {
    HKEY Root;
    std::string KeyName;
    bool HasSubkey;
    std::string Title() const { return KeyName + (Root == HKEY_CURRENT_USER ? " @user" : " @machine"); }
  };
  const char* const names[] = {"App", "App 2", "App.old", "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}",
                               "a",   "Tool",  "Tool (x86)", "KB123456"};
  std::mt19937 random(GetParam());
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<Registration> written;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      RegistrySandbox::DeleteTree(root, "SOFTWARE");
      for (const char* name : names) {
        if (random() % 3 == 0) continue;
        written.push_back({root, name, random() % 5 == 0});
        RegistrySandbox::AddRegistration(root, name, {{"DisplayName", written.back().Title()}, {"UninstallString", "x"}});
        if (written.back().HasSubkey) RegistrySandbox::CreateKey(root, UninstallKey(name) + "\\Sub");
        if (random() % 2) RegistrySandbox::WriteUsageRecord(root, name, UsageRecord());
      }
    }
    StartUp();
    const Titles titles = ListTitles();
    if (titles.empty()) continue;
    const std::string title = titles[random() % titles.size()];
    const auto chosen = std::find_if(written.begin(), written.end(), [&](const Registration& r) { return r.Title() == title; });
    ASSERT_NE(written.end(), chosen) << title;
    SelectTitle(title);
    Registries expected;
    if (!chosen->HasSubkey) expected.Of(chosen->Root) = WithoutRegistration(expected.Of(chosen->Root), chosen->KeyName);
    RemoveSelectedEntry(IDYES);
    EXPECT_TRUE(expected == Registries()) << "removing " << title;
    EXPECT_EQ(chosen->HasSubkey ? 2u : 1u, Boxes.Boxes().size()) << "removing " << title;
    EXPECT_EQ(chosen->HasSubkey, IndexOf(title) != -1) << "removing " << title;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RemovalSafetyTest, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
