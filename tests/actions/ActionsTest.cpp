#include <functional>
#include <gtest/gtest.h>
#include <utility>

#include "actions/ResourceIds.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/RegistryCalls.h"

namespace {

const HKEY User = HKEY_CURRENT_USER, Machine = HKEY_LOCAL_MACHINE;

// Each scan opens the uninstall key of both roots once.
int Scans(const RegistryCalls& calls) { return calls.OpensOf(UninstallPath) / 2; }
void Command(WPARAM id) { SendMessageA(MainWindow.GetHandle(), WM_COMMAND, id, 0); }
void PressEnter() { SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0); }
void Click(const CWindow& button) { SendMessageA(button.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); }
void DoubleClick(int item) {
  RECT rect = {};
  ListView_GetItemRect(ProgramList.GetHandle(), item, &rect, LVIR_LABEL);
  SendMessageA(ProgramList.GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(rect.left + 5, rect.top + 2));
}
std::string AppBox(const std::string& text, UINT style) {
  return MessageBoxCatcher::Describe(text, "Quillmere", style, "main");
}
// The search timer fires while a box asks: the scan it asks for would replace the entry asked about.
void SearchWhileAsking(const std::string& text) {
  SearchEdit.SetText(text);
  SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
}

using ActionsTest = AppTest;

TEST_F(ActionsTest, EachTriggerLaunchesTheWholeUninstallStringThenRescansAndSelectsTheItemAtItsPlace) {
  Register(Machine, "alpha", "Alpha");
  Register(Machine, "gamma", "Gamma");
  // Command lines around the 260 characters of a path buffer, and near the system's limit of 32767.
  const std::pair<std::function<void()>, size_t> triggers[] = {{PressEnter, 259},
                                                               {[] { Click(RemoveButton); }, 260},
                                                               {[] { Command(IDM_UNINSTALL); }, 261},
                                                               {[] { DoubleClick(1); }, 32000}};
  for (const auto& [trigger, length] : triggers) {
    std::string command = "\"C:\\Program Files\\Beta\\un.exe\" /X\t\"quoted  words\" a\\\"b %TEMP% ;& |  ";
    while (command.size() < length) command += static_cast<char>('a' + command.size() % 26);
    RegistrySandbox::Register(Machine, "beta",
                              {"DisplayName=Beta", "UninstallString=" + command, "QuietUninstallString=q"});
    StartUp();
    Select(1);
    LaunchInterceptor launches("none");  // an uninstaller that removes its registration and ends
    launches.OnLaunch = [] { RegistrySandbox::DeleteTree(Machine, UninstallPath + std::string("beta")); };
    RegistryCalls calls;
    trigger();
    EXPECT_EQ(Texts{command}, launches.CommandLines) << length;
    EXPECT_EQ(1, Scans(calls));
    EXPECT_EQ((Texts{"Alpha", "Gamma"}), ListTitles());
    EXPECT_EQ(1, SelectedIndex()) << "the item at the same place";
  }
  EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(ActionsTest, AProgramWithOnlyAQuietUninstallStringIsRemovedQuietlyAfterAWarningAnsweredYes) {
  for (const std::string name : {"Alpha", "Beta"})
    RegistrySandbox::Register(Machine, name, {"DisplayName=" + name, "QuietUninstallString=" + name + " /q"});
  StartUp();
  LaunchInterceptor launches("none");
  for (int answer : {IDNO, IDYES}) {
    Boxes.Boxes.clear();
    Boxes.Answers = {answer};
    if (answer == IDYES) Boxes.WhileOpen = [] { SearchWhileAsking("Beta"); };
    RegistryCalls calls;
    PressEnter();
    EXPECT_EQ(Texts{AppBox("Warning: this program can only be removed in Quiet mode.\n\nDo you want to proceed ?",
                           MB_ICONWARNING | MB_YESNO)},
              Boxes.Boxes);
    EXPECT_EQ(1, Scans(calls)) << "the scan asked for meanwhile runs at the end of the action";
  }
  EXPECT_EQ(Texts{"Alpha /q"}, launches.CommandLines);
  EXPECT_EQ(Texts{"Beta"}, ListTitles());
}

TEST_F(ActionsTest, RepairRunsMsiexecWithTheProductCodeAndWithoutASelectionNothingRunsOrRescans) {
  RegistrySandbox::Register(Machine, "{6F1C}",
                            {"DisplayName=Product", "UninstallString=MsiExec /X", "WindowsInstaller=#1"});
  StartUp();
  LaunchInterceptor launches;  // every launch fails
  const std::function<void()> triggers[] = {
      [] { Command(IDM_MODIFY); }, [] { Click(RepairButton); },    PressEnter,
      [] { Click(RemoveButton); }, [] { Command(IDM_UNINSTALL); }, [] { DoubleClick(0); }};
  for (int i = 0; i < 2; ++i) {
    RegistryCalls calls;
    triggers[i]();
    EXPECT_EQ(1, Scans(calls));
    EXPECT_EQ(0, SelectedIndex());
  }
  EXPECT_EQ(Texts(2, AppBox("Couldn't launch the program \"msiexec /f {6F1C}\"", MB_ICONERROR)), Boxes.Boxes);
  Select(-1);
  Boxes.Boxes.clear();
  RegistryCalls calls;
  for (const auto& trigger : triggers) trigger();
  Command(IDM_ABOUT);
  Texts shown(6, AppBox("Please select a program", MB_ICONINFORMATION));
  shown.push_back(
      MessageBoxCatcher::Describe("Quillmere 1.0\r\n\r\nhttps://quillmere.example.org\r\n\r\nCopyright (C) 2026 The "
                                  "Quillmere developers. Free to use and to share.\r\n",
                                  "About Quillmere...", MB_USERICON, "main"));
  EXPECT_EQ(shown, Boxes.Boxes);
  EXPECT_EQ(0, Scans(calls));
  EXPECT_EQ(2u, launches.CommandLines.size());
}

// What the main window goes through while an uninstaller runs, seen from a thread timer: it fires
// only while the wait for the uninstaller dispatches messages.
std::function<void()> OnTick;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { OnTick(); }

TEST_F(ActionsTest, WhileAnUninstallerRunsTheWindowRepaintsButTakesNoInputAndNoOtherActionStarts) {
  const std::string release = "QuillmereRelease-" + std::to_string(GetCurrentProcessId());
  const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
  Register(Machine, "tool", "Tool", "tool.exe /uninstall");
  StartUp();
  LaunchInterceptor launches(release);  // every launch runs until released
  const HWND main = MainWindow.GetHandle(), list = ProgramList.GetHandle();
  bool enabled = true, repainted = false;
  int ticks = 0;
  OnTick = [&] {
    if (++ticks == 1) {
      enabled = IsWindowEnabled(main);
      InvalidateRect(main, nullptr, TRUE);
      // Every way in which an action starts, as posted input and commands; a removal would be confirmed.
      Boxes.Answers = {IDYES};
      for (const HWND button : {RemoveButton.GetHandle(), RepairButton.GetHandle()})
        PostMessageA(button, WM_LBUTTONUP, 0, 0);
      PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
      PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 30));
      for (WPARAM id : {IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY}) PostMessageA(main, WM_COMMAND, id, 0);
    }
    repainted = repainted || (ticks > 1 && !GetUpdateRect(main, nullptr, FALSE));
    if ((repainted && ticks > 10) || ticks > 500) SetEvent(event);
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
  PressEnter();
  KillTimer(nullptr, timer);
  CloseHandle(event);
  EXPECT_EQ((std::vector<bool>{false, true, true}), (std::vector<bool>{enabled, repainted, !!IsWindowEnabled(main)}));
  EXPECT_EQ(Texts{"tool.exe /uninstall"}, launches.CommandLines);
  EXPECT_TRUE(Boxes.Boxes.empty()) << "no removal was asked about";
}

// The registration keys of both roots that exist.
Texts ExistingKeys() {
  Texts keys;
  for (HKEY root : {User, Machine})
    for (const char* key : {"", "a", "Shared", "Shared\\Sub"})
      if (RegistrySandbox::KeyExists(root, UninstallPath + std::string(key)))
        keys.push_back((root == User ? "user " : "machine ") + std::string(key));
  return keys;
}

// No changes nothing; Yes, while the search timer fires, deletes the selected entry's key in its own
// root. A key with a subkey cannot be deleted: that is told, and nothing is deleted.
TEST_F(ActionsTest, RemovalAnsweredYesDeletesOnlyTheSelectedRootsKeyOfANameRegisteredUnderBoth) {
  const std::string confirmation =
      AppBox("Are you sure you want to remove entry from the list?", MB_ICONWARNING | MB_YESNO);
  for (const auto& [selected, nested] :
       {std::make_pair(Machine, false), std::make_pair(User, false), std::make_pair(Machine, true)}) {
    Register(User, "a", "Alpha");
    Register(User, "Shared", "Shared (user)");
    Register(Machine, "Shared", "Shared (machine)");
    if (nested) RegistrySandbox::Write(selected, UninstallPath + std::string("Shared\\Sub"), "x", REG_SZ, "");
    SearchEdit.SetText("");
    StartUp();
    Select(selected == User ? 2 : 1);
    Texts expected = ExistingKeys(), titlesWhileAsking;
    Boxes.Boxes.clear();
    RegistryCalls calls;
    Command(IDM_REMOVE_ENTRY);
    EXPECT_EQ(0, calls.Opens) << "No: no deletion, no scan";
    Boxes.Answers = {IDYES};
    Boxes.WhileOpen = [&] { SearchWhileAsking("Shared"), titlesWhileAsking = ListTitles(); };
    Command(IDM_REMOVE_ENTRY);
    Boxes.WhileOpen = nullptr;
    EXPECT_EQ((Texts{"Alpha", "Shared (machine)", "Shared (user)"}), titlesWhileAsking) << "the scan waits";
    Texts shown = {confirmation, confirmation}, left = {"Shared (machine)", "Shared (user)"};
    if (nested)
      shown.push_back(MessageBoxCatcher::Describe("Error while deleting a registry key", "", MB_ICONERROR, ""));
    EXPECT_EQ(shown, Boxes.Boxes);
    if (!nested)
      expected.erase(std::find(expected.begin(), expected.end(), selected == User ? "user Shared" : "machine Shared"));
    if (!nested) left.erase(left.begin() + (selected == User ? 1 : 0));
    EXPECT_EQ(expected, ExistingKeys());
    EXPECT_EQ(left, ListTitles());
    for (HKEY root : {User, Machine}) RegistrySandbox::DeleteTree(root, "SOFTWARE");
  }
}

// Once armed, a read of a publisher fails after its size was learned: the first read with a buffer
// is told that the data needs more room, the next one fails.
ApiHook* QueryHook = nullptr;
bool FailureDue = false, SizeGiven = false;
std::function<void()> WhenTheScanGoesOn;  // at the first registry query after the failure

LONG WINAPI QueryFailingOnce(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (FailureDue && data && name && std::string("Publisher") == name) {
    if (!std::exchange(SizeGiven, true)) return *type = REG_SZ, *size = 4096, ERROR_MORE_DATA;
    return FailureDue = false, ERROR_ACCESS_DENIED;
  }
  if (!FailureDue && WhenTheScanGoesOn) std::exchange(WhenTheScanGoesOn, nullptr)();
  return QueryHook->Original<decltype(&QueryFailingOnce)>()(key, name, reserved, type, data, size);
}

// An error box opens in the middle of a scan: meanwhile the list keeps the entries of the last whole
// scan, and the scans asked for run as one after it.
TEST_F(ActionsTest, ScansAskedForDuringAnErrorBoxInAScanRunOnceAfterItAndTheListKeepsItsEntries) {
  RegistrySandbox::Register(User, "alpha", {"DisplayName=Alpha", "UninstallString=a.exe", "Publisher=Acme"});
  StartUp();
  Register(Machine, "gamma", "Gamma");
  RegistryCalls calls;
  ApiHook failing("ADVAPI32.dll", "RegQueryValueExA", reinterpret_cast<void*>(QueryFailingOnce));
  QueryHook = &failing;
  FailureDue = true;
  int opensWhileOpen = -1;
  Boxes.WhileOpen = [&] {
    opensWhileOpen = calls.OpensOf(UninstallPath);
    for (UINT command : {IDM_COLUMN_SIZE, IDM_REFRESH, IDM_REFRESH})
      PostMessageA(MainWindow.GetHandle(), WM_COMMAND, command, 0);
    for (int down = 0; down < 2; ++down) PostMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
  };
  Texts titlesDuringTheBox;
  WhenTheScanGoesOn = [&] { titlesDuringTheBox = ListTitles(); };
  Command(IDM_REFRESH);
  PumpMessages();
  EXPECT_EQ(Texts{MessageBoxCatcher::Describe("Error while retreiving a registry value", "", MB_ICONERROR, "")},
            Boxes.Boxes);
  EXPECT_EQ((Texts{"Alpha"}), titlesDuringTheBox) << "rebuilt from the last whole scan";
  EXPECT_EQ((std::vector<int>{1, 4}), (std::vector<int>{opensWhileOpen, calls.OpensOf(UninstallPath)}));
  EXPECT_EQ((Texts{"Alpha", "Gamma"}), ListTitles());
  for (int item = 0; item < 2; ++item) {
    auto entry = reinterpret_cast<const ProgramEntry*>(ProgramList.GetItemParam(item));
    ASSERT_TRUE(entry >= ProgramInventory.data() && entry < ProgramInventory.data() + 2) << item;
    EXPECT_EQ(ListTitles()[item], Title(*entry));
  }
  EXPECT_EQ((Texts{"Application", "Company", "Acme"}), (Texts{ColumnHeaders()[0], ColumnHeaders()[1], CellText(0, 1)}));
  EXPECT_EQ(ListTitles().at(SelectedIndex()), DetailsTitle.GetText());
}

}  // namespace
