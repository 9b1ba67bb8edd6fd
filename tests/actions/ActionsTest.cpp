#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <utility>

#include "actions/ActionTesting.h"
#include "actions/ResourceIds.h"
#include "support/LaunchInterceptor.h"
#include "support/MainLoop.h"
#include "support/RegistrySnapshot.h"
#include "support/TestData.h"
#include "support/UninstallerScript.h"

namespace {

using Trigger = std::pair<const char*, std::function<void()>>;

const char* const ProductCode = "{6F1C2A3B-0D4E-4A5F-9B8C-7D6E5F4A3B2C}";

// Each box caught as text, caption, style and owner ("main" for the main window).
std::vector<Texts> Shown(const MessageBoxCatcher& boxes) {
  std::vector<Texts> shown;
  for (const CaughtMessageBox& box : boxes.Boxes())
    shown.push_back({box.Text, box.Caption, std::to_string(box.Style),
                     box.Owner == MainWindow.GetHandle() ? "main"
                     : box.Owner                         ? "other"
                                                         : ""});
  return shown;
}
Texts AppBox(const std::string& text, UINT style) { return {text, "Quillmere", std::to_string(style), "main"}; }

const Texts Confirmation = AppBox("Are you sure you want to remove entry from the list?", MB_ICONWARNING | MB_YESNO);
const Texts DeletionError = {"Error while deleting a registry key", "", std::to_string(MB_ICONERROR | MB_OK), ""};

class ActionsTest : public AppTest {
 protected:
  void RemoveSelected(int answer) {
    Boxes.Clear();
    Boxes.QueueAnswer(answer);
    Command(IDM_REMOVE_ENTRY);
  }

  static int IndexOf(const std::string& title) {
    const Texts titles = ListTitles();
    const auto found = std::find(titles.begin(), titles.end(), title);
    return found == titles.end() ? -1 : static_cast<int>(found - titles.begin());
  }

  UninstallerScript Helper;
};

TEST_F(ActionsTest, EachTriggerRunsTheUninstallStringVerbatimThenTheItemAtItsPlaceIsSelected) {
  Register(HKEY_LOCAL_MACHINE, "alpha", "Alpha");
  Register(HKEY_LOCAL_MACHINE, "gamma", "Gamma");
  // Command lines around the 260 characters of a path buffer, and near the system's limit of 32767.
  const std::pair<Trigger, size_t> triggers[] = {{{"Enter", PressEnter}, 259},
                                                 {{"Remove button", [] { ClickButton(RemoveButton); }}, 260},
                                                 {{"uninstall command", [] { Command(IDM_UNINSTALL); }}, 261},
                                                 {{"double-click", [] { DoubleClick(1); }}, 32000}};
  for (const auto& trigger : triggers) {
    SCOPED_TRACE(trigger.first.first);
    UninstallerScript helper;
    // Beta's uninstaller removes its registration after a moment, so a rescan that came before
    // its end would still list it; its error code is not reported; its quiet string is not used.
    std::string command =
        helper.CommandLine("--sleep 300 " + DeleteRegistrationWords(Registry, HKEY_LOCAL_MACHINE, "beta") +
                           " --exit 1603  /X\t\"quoted  words\" a\\\"b %TEMP% ;& |  ");
    while (command.size() < trigger.second) command += static_cast<char>('a' + command.size() % 26);
    RegistrySandbox::AddRegistration(
        HKEY_LOCAL_MACHINE, "beta",
        {{"DisplayName", "Beta"}, {"UninstallString", command}, {"QuietUninstallString", Helper.CommandLine("/q")}});
    StartUp();
    Select(1);
    RegistryCalls calls;
    trigger.first.second();
    EXPECT_EQ(Texts{command}, helper.Launches());
    EXPECT_EQ(1, Scans(calls));
    EXPECT_EQ((Texts{"Alpha", "Gamma"}), ListTitles());
    EXPECT_EQ(1, SelectedIndex()) << "the item at the same position";
  }
  EXPECT_TRUE(Helper.Launches().empty());
  EXPECT_TRUE(Boxes.Texts().empty());
}

// Yes with the search timer firing while asked: a scan then would put Beta where Alpha is.
TEST_F(ActionsTest, OnlyAQuietUninstallStringRunsAfterAWarningAnsweredYesForTheProgramAskedAbout) {
  for (const char* name : {"Alpha", "Beta"})
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, name,
                                     {{"DisplayName", name}, {"QuietUninstallString", Helper.CommandLine(name)}});
  StartUp();
  for (int answer : {IDNO, IDYES}) {
    Boxes.Clear();
    Boxes.QueueAnswer(answer);
    if (answer == IDYES)
      Boxes.WhileOpen([](const CaughtMessageBox&) {
        SearchEdit.SetText("Beta");
        PostMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
      });
    RegistryCalls calls;
    PressEnter();
    const Texts warning = AppBox("Warning: this program can only be removed in Quiet mode.\n\nDo you want to proceed ?",
                                 MB_ICONWARNING | MB_YESNO);
    EXPECT_EQ(std::vector<Texts>{warning}, Shown(Boxes));
    EXPECT_EQ(answer == IDYES ? Texts{Helper.CommandLine("Alpha")} : Texts{}, Helper.Launches());
    EXPECT_EQ(1, Scans(calls)) << "a scan requested meanwhile is the action's own";
  }
  EXPECT_EQ(Texts{"Beta"}, ListTitles());
}

// The launch fails: its message shows the command line in quotes.
TEST_F(ActionsTest, RepairLaunchesMsiexecWithTheProductCodeAndWithoutASelectionNothingRunsOrRescans) {
  Register(HKEY_LOCAL_MACHINE, ProductCode, "Installer Product", "MsiExec.exe /X");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey(ProductCode), "WindowsInstaller", 1);
  StartUp();
  LaunchInterceptor launches;
  const Trigger repairs[] = {{"modify", [] { Command(IDM_MODIFY); }}, {"Repair", [] { ClickButton(RepairButton); }}};
  for (const Trigger& trigger : repairs) {
    Boxes.Clear();
    RegistryCalls calls;
    trigger.second();
    const std::string failure = std::string("Couldn't launch the program \"msiexec /f ") + ProductCode + "\"";
    EXPECT_EQ(std::vector<Texts>{AppBox(failure, MB_ICONERROR | MB_OK)}, Shown(Boxes)) << trigger.first;
    EXPECT_EQ(1, Scans(calls)) << trigger.first;
    EXPECT_EQ(0, SelectedIndex());
  }

  const Trigger triggers[] = {{"Enter", PressEnter},
                              {"double-click", [] { DoubleClick(0); }},
                              {"Remove button", [] { ClickButton(RemoveButton); }},
                              repairs[0],
                              repairs[1],
                              {"uninstall command", [] { Command(IDM_UNINSTALL); }}};
  for (const Trigger& trigger : triggers) {
    Deselect();
    Boxes.Clear();
    RegistryCalls calls;
    trigger.second();
    EXPECT_EQ(std::vector<Texts>{AppBox("Please select a program", MB_ICONINFORMATION | MB_OK)}, Shown(Boxes))
        << trigger.first;
    EXPECT_EQ(0, Scans(calls)) << trigger.first;
  }
  EXPECT_EQ(2u, launches.CommandLines.size());
}

// What the main window goes through while an uninstaller runs, seen from a thread timer: it
// fires only when the wait for the uninstaller dispatches messages.
std::function<void()> OnTick;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { OnTick(); }

TEST_F(ActionsTest, WhileAnUninstallerRunsTheWindowRepaintsButNoOtherActionStarts) {
  const std::string releaseName = "QuillmereRelease-" + std::to_string(GetCurrentProcessId());
  const HANDLE release = CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str());
  Register(HKEY_LOCAL_MACHINE, "tool", "Tool", "tool.exe /uninstall");
  StartUp();
  // Every launch, of the uninstaller or anything else (msiexec), starts the helper in its place.
  LaunchInterceptor launches(Helper.CommandLine("--wait-event " + releaseName));
  HWND main = MainWindow.GetHandle(), list = ProgramList.GetHandle();
  bool enabledDuringTheWait = true, repaintedDuringTheWait = false;
  int ticks = 0;
  OnTick = [&] {
    if (++ticks == 1) {
      enabledDuringTheWait = IsWindowEnabled(main) != FALSE;
      InvalidateRect(main, nullptr, TRUE);
      // Every way in which an action starts, as posted input and commands; a removal would be confirmed.
      Boxes.QueueAnswer(IDYES);
      for (HWND button : {RemoveButton.GetHandle(), RepairButton.GetHandle()})
        PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
      PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
      PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 30));
      for (WPARAM id : {IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY}) PostMessageA(main, WM_COMMAND, id, 0);
    } else if (!GetUpdateRect(main, nullptr, FALSE)) {
      repaintedDuringTheWait = true;
    }
    if ((repaintedDuringTheWait && ticks > 10) || ticks > 500) SetEvent(release);
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
  PressEnter();
  KillTimer(nullptr, timer);
  CloseHandle(release);

  EXPECT_FALSE(enabledDuringTheWait);
  EXPECT_TRUE(repaintedDuringTheWait);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(Texts{"tool.exe /uninstall"}, launches.CommandLines);
  EXPECT_TRUE(Boxes.Texts().empty()) << "no removal was confirmed";
}

// An uninstaller that hands over to a copy of itself and exits: the wait ends with the launched process.
TEST_F(ActionsTest, TheWaitEndsWithTheLaunchedUninstallerNotWithTheCopyItStarted) {
  const std::string releaseName = "QuillmereCopy-" + std::to_string(GetCurrentProcessId());
  const HANDLE release = CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str());
  const std::string command = Helper.CommandLine("--spawn-copy " + releaseName);
  Register(HKEY_LOCAL_MACHINE, "tool", "Tool", command);
  StartUp();
  RegistryCalls calls;
  Command(IDM_UNINSTALL);
  EXPECT_EQ(Texts{command}, Helper.Launches()) << "the copy is still waiting";
  EXPECT_EQ(1, Scans(calls));
  SetEvent(release);
  EXPECT_TRUE(RunMainLoopUntil([&] { return Helper.Launches().size() == 2; }, 30000)) << "the copy ran";
  CloseHandle(release);
}

// No changes nothing. Yes is answered while the search timer fires; a rescan then would put
// another entry (the other root's, or none) where the selected one is.
TEST_F(ActionsTest, RemovalAnsweredYesDeletesOnlyTheSelectedRootsKeyOfANameRegisteredUnderBoth) {
  for (HKEY selected : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    const auto title = [](HKEY root) { return root == HKEY_CURRENT_USER ? "Shared (user)" : "Shared (machine)"; };
    SCOPED_TRACE(title(selected));
    Register(HKEY_CURRENT_USER, "a", "Alpha");
    Register(HKEY_CURRENT_USER, "Shared", title(HKEY_CURRENT_USER));
    Register(HKEY_LOCAL_MACHINE, "Shared", title(HKEY_LOCAL_MACHINE));
    SearchEdit.SetText("");
    StartUp();
    Select(IndexOf(title(selected)));
    Registries expected;
    RegistryCalls calls;
    RemoveSelected(IDNO);
    EXPECT_EQ(0, calls.Total()) << "No: no deletion, no rescan";
    EXPECT_TRUE(expected == Registries());
    expected.Of(selected) = WithoutRegistration(expected.Of(selected), "Shared");
    Texts titlesWhileAsking;
    Boxes.WhileOpen([&](const CaughtMessageBox&) {
      SearchEdit.SetText("Shared");
      SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
      titlesWhileAsking = ListTitles();
    });
    RemoveSelected(IDYES);
    Boxes.WhileOpen(nullptr);
    EXPECT_EQ(std::vector<Texts>{Confirmation}, Shown(Boxes));
    EXPECT_TRUE(expected == Registries());
    EXPECT_EQ((Texts{"Alpha", "Shared (machine)", "Shared (user)"}), titlesWhileAsking) << "the rescan waits";
    EXPECT_EQ(Texts{title(selected == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER)}, ListTitles());
  }
}

// Random registrations, many sharing their names across the two roots, some with subkeys (which
// cannot be deleted), some hidden hot-fixes, some with usage records: removing any listed entry
// deletes that one key and nothing else, or reports an error and deletes nothing.
class RemovalSafetyTest : public ActionsTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(RemovalSafetyTest, RemovingAnyEntryDeletesExactlyThatKey) {
  const char* const names[] = {"App", "App 2", "App.old",    "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}",
                               "a",   "Tool",  "Tool (x86)", "KB123456"};
  std::mt19937 random(GetParam());
  for (int round = 0; round < 25; ++round) {
    std::map<std::string, std::pair<HKEY, std::string>> written;  // root and key name by title
    std::set<std::string> nested;                                 // the titles of those with a subkey
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      RegistrySandbox::DeleteTree(root, "SOFTWARE");
      for (const char* name : names) {
        if (random() % 3 == 0) continue;
        const std::string title = name + std::string(root == HKEY_CURRENT_USER ? " @user" : " @machine");
        Register(root, name, title, "x");
        written[title] = {root, name};
        if (random() % 5 == 0) RegistrySandbox::CreateKey(root, UninstallKey(name) + "\\Sub"), nested.insert(title);
        if (random() % 2) RegistrySandbox::WriteUsageRecord(root, name, UsageRecord());
      }
    }
    StartUp();
    const Texts titles = ListTitles();
    if (titles.empty()) continue;
    const std::string title = titles[random() % titles.size()];
    SCOPED_TRACE("round " + std::to_string(round) + ": removing " + title);
    const bool fails = nested.count(title) != 0;
    Select(IndexOf(title));
    Registries expected;
    const auto& [root, keyName] = written[title];
    if (!fails) expected.Of(root) = WithoutRegistration(expected.Of(root), keyName);
    RemoveSelected(IDYES);
    EXPECT_TRUE(expected == Registries());
    EXPECT_EQ((fails ? std::vector<Texts>{Confirmation, DeletionError} : std::vector<Texts>{Confirmation}),
              Shown(Boxes));
    EXPECT_EQ(fails, IndexOf(title) != -1);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RemovalSafetyTest, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
