#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <tuple>
#include <utility>

#include "actions/ResourceIds.h"
#include "support/AppSession.h"

namespace {

const HKEY User = HKEY_CURRENT_USER, Machine = HKEY_LOCAL_MACHINE;

// Each scan opens the uninstall key of both roots once.
int Scans(const RegistryCalls& calls) { return calls.OpensOf(UninstallPath) / 2; }
void PressEnter() { SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0); }
void Click(const CWindow& button) { SendMessageA(button.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); }

using ActionsTest = AppTest;

// CreateProcessA as the program calls it: each command line is noted and nothing runs; msiexec is
// missing. An uninstaller removes the selected program's registration and runs until a thread
// timer, which fires only while the program's wait for it dispatches messages, notes whether the
// main window takes input, and ends it.
Texts Launched;
HANDLE Running = nullptr;  // the uninstaller's process, as the program waits for it
int RunsWithTheWindowDisabled = 0;
void CALLBACK EndTheRun(HWND, UINT, UINT_PTR timer, DWORD) {
  RunsWithTheWindowDisabled += !IsWindowEnabled(MainWindow.GetHandle());
  KillTimer(nullptr, timer);
  SetEvent(Running);
}
BOOL WINAPI Launch(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                   LPSTARTUPINFOA, LPPROCESS_INFORMATION process) {
  Launched.push_back(commandLine);
  if (Launched.back().rfind("msiexec", 0) == 0) return SetLastError(ERROR_FILE_NOT_FOUND), FALSE;
  const ProgramEntry& entry = *GetSelectedEntry();
  RegistrySandbox::DeleteTree(entry.Root, UninstallPath + entry.KeyName);
  ResetEvent(Running);
  SetTimer(nullptr, 0, 10, EndTheRun);
  for (HANDLE* handle : {&process->hProcess, &process->hThread})
    DuplicateHandle(GetCurrentProcess(), Running, GetCurrentProcess(), handle, 0, FALSE, DUPLICATE_SAME_ACCESS);
  return TRUE;
}

// While a box asks, the search timer fires, and Enter asks for another action, which does not
// start; the scan waits for the end of the action, which scans once in any case.
TEST_F(ActionsTest, EachWayToActOnTheSelectedProgramLaunchesOrAsksAsItMustThenScansOnceAtTheSamePlace) {
  std::string command = "\"C:\\Program Files\\Beta\\un.exe\" /X\t\"quoted  words\" a\\\"b %TEMP% ;& |  ";
  while (command.size() < 32000) command += static_cast<char>('a' + command.size() % 26);  // not cut at 260
  const auto box = [](const std::string& text, UINT style) {
    return MessageBoxCatcher::Describe(text, "Quillmere", style, "main");
  };
  const std::string quiet = box("Warning: this program can only be removed in Quiet mode.\n\nDo you want to proceed ?",
                                MB_ICONWARNING | MB_YESNO),
                    confirm = box("Are you sure you want to remove entry from the list?", MB_ICONWARNING | MB_YESNO),
                    missing = box("Couldn't launch the program \"msiexec /f {6F1C}\"", MB_ICONERROR);
  const std::map<std::string, std::function<void()>> triggers = {
      {"Enter", PressEnter},
      {"Remove button", [] { Click(RemoveButton); }},
      {"Repair button", [] { Click(RepairButton); }},
      {"Uninstall command", [] { Command(IDM_UNINSTALL); }},
      {"Modify command", [] { Command(IDM_MODIFY); }},
      {"Remove Entry command", [] { Command(IDM_REMOVE_ENTRY); }},
      {"double click", [] {  // on the selected item's label, or on the first's
         RECT label = {};
         ListView_GetItemRect(ProgramList.GetHandle(), std::max(SelectedIndex(), 0), &label, LVIR_LABEL);
         SendMessageA(ProgramList.GetHandle(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(label.left + 5, label.top + 2));
       }}};
  // The trigger, the item selected, the answer to a box, what is launched, the box, the title gone.
  std::vector<std::tuple<std::string, int, int, std::string, std::string, std::string>> actions = {
      {"Enter", 1, 0, command, "", "Beta"},
      {"Remove button", 1, 0, command, "", "Beta"},
      {"Uninstall command", 1, 0, command, "", "Beta"},
      {"double click", 1, 0, command, "", "Beta"},
      {"Enter", 0, IDNO, "", quiet, ""},
      {"Enter", 0, IDYES, "Alpha /q", quiet, "Alpha"},
      {"Modify command", 2, 0, "msiexec /f {6F1C}", missing, ""},
      {"Repair button", 2, 0, "msiexec /f {6F1C}", missing, ""},
      {"Remove Entry command", 4, IDNO, "", confirm, ""},
      {"Remove Entry command", 3, IDYES, "", confirm, "Shared (user)"}};
  for (const auto& [trigger, run] : triggers)
    if (trigger != "Remove Entry command")
      actions.push_back({trigger, -1, 0, "", box("Please select a program", MB_ICONINFORMATION), ""});
  Running = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ApiHook launch("KERNEL32.dll", "CreateProcessA", &Launch);
  for (const auto& [trigger, selected, answer, launched, shown, gone] : actions) {
    SCOPED_TRACE(trigger + " on item " + std::to_string(selected) + ", answered " + std::to_string(answer));
    RegistrySandbox::Register(Machine, "alpha", {"DisplayName=Alpha", "QuietUninstallString=Alpha /q"});
    RegistrySandbox::Register(Machine, "beta",
                              {"DisplayName=Beta", "UninstallString=" + command, "QuietUninstallString=q"});
    RegistrySandbox::Register(Machine, "{6F1C}",
                              {"DisplayName=Product", "UninstallString=MsiExec /X", "WindowsInstaller=#1"});
    Register(User, "Shared", "Shared (user)");
    Register(Machine, "Shared", "Shared (whole machine)");
    StartUp();
    Select(selected);
    Launched.clear();
    Boxes.Boxes.clear();
    Boxes.Answers.assign(answer != 0, answer);
    RegistryCalls calls;
    int scansWhileAsking = 0;
    RunsWithTheWindowDisabled = 0;
    Boxes.WhileOpen = [&] {
      SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
      PressEnter();
      scansWhileAsking += Scans(calls);
    };
    triggers.at(trigger)();
    Texts listed = {"Alpha", "Beta", "Product", "Shared (user)", "Shared (whole machine)"};
    listed.erase(std::remove(listed.begin(), listed.end(), gone), listed.end());
    EXPECT_EQ((std::vector<Texts>{Texts(!launched.empty(), launched), Texts(!shown.empty(), shown), listed}),
              (std::vector<Texts>{Launched, Boxes.Boxes, ListTitles()}));
    const int runs = !launched.empty() && launched.rfind("msiexec", 0) != 0;
    EXPECT_EQ((std::vector<int>{std::max(selected, 0), 0, 1, runs}),
              (std::vector<int>{SelectedIndex(), scansWhileAsking, Scans(calls), RunsWithTheWindowDisabled}))
        << "selected (a scan selects the first item when none is), scans while a box asks, scans, runs of an "
           "uninstaller with the main window disabled";
  }
  Boxes.WhileOpen = nullptr;
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
  return QueryHook->Original<decltype(QueryFailingOnce)>()(key, name, reserved, type, data, size);
}

// An error box opens in the middle of a scan: meanwhile the list keeps the entries of the last whole
// scan, and the scans asked for run as one after it.
TEST_F(ActionsTest, ScansAskedForDuringAnErrorBoxInAScanRunOnceAfterItAndTheListKeepsItsEntries) {
  RegistrySandbox::Register(User, "alpha", {"DisplayName=Alpha", "UninstallString=a.exe", "Publisher=Acme"});
  StartUp();
  Register(Machine, "gamma", "Gamma");
  RegistryCalls calls;
  ApiHook failing("ADVAPI32.dll", "RegQueryValueExA", &QueryFailingOnce);
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
  EXPECT_EQ((std::vector<Texts>{
                {MessageBoxCatcher::Describe("Error while retreiving a registry value", "", MB_ICONERROR, "")},
                {"Alpha"},
                {"Alpha", "Gamma"},
                {"Acme", ""}}),
            (std::vector<Texts>{Boxes.Boxes, titlesDuringTheBox, ListTitles(), Column(1)}))
      << "the box, the list while it asks (from the last whole scan), the list after, its Size column gone";
  EXPECT_EQ((std::vector<int>{1, 4}), (std::vector<int>{opensWhileOpen, calls.OpensOf(UninstallPath)}));
  for (int item = 0; item < 2; ++item)
    EXPECT_EQ(&ProgramInventory.at(item), reinterpret_cast<const ProgramEntry*>(ProgramList.GetItemParam(item)));
  EXPECT_EQ(ListTitles().at(SelectedIndex()), DetailsTitle.GetText());
}

// The search timer on a clock of the test's: SetTimer and KillTimer of the program are replaced,
// and AdvanceClock delivers WM_TIMER at each due time that it passes.
DWORD Now = 0, Due = 0, Period = 0;  // Period 0: no timer
UINT_PTR WINAPI FakeSetTimer(HWND, UINT_PTR, UINT period, TIMERPROC) { return Period = period, Due = Now + period, 1; }
BOOL WINAPI FakeKillTimer(HWND, UINT_PTR) { return std::exchange(Period, 0) != 0; }
void AdvanceClock(DWORD ms) {
  for (const DWORD end = Now + ms; Now < end;)
    if (++Now == Due && Period) Due += Period, SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
}

TEST_F(ActionsTest, FiveEditsOfTheSearchText100MsApartScanOnceHalfASecondAfterTheLast) {
  Register(HKEY_CURRENT_USER, "w", "Text Writer Pro");
  Register(HKEY_LOCAL_MACHINE, "p", "Paint Shop");
  StartUp();
  ApiHook setTimer("USER32.dll", "SetTimer", &FakeSetTimer), killTimer("USER32.dll", "KillTimer", &FakeKillTimer);
  RegistryCalls calls;
  for (size_t length = 1; length <= 5; ++length) {
    SearchEdit.SetText(std::string("write", length));  // the edit control tells its parent: EN_CHANGE
    PumpMessages();
    AdvanceClock(length < 5 ? 100 : 499);
  }
  EXPECT_EQ(0, calls.OpensOf(UninstallPath));
  AdvanceClock(1);
  EXPECT_EQ(Texts{"Text Writer Pro"}, ListTitles());
  AdvanceClock(5000);
  EXPECT_EQ(2, calls.OpensOf(UninstallPath)) << "one scan: the timer stops at its first run";
}

}  // namespace
