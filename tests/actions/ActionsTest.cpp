#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <utility>

#include "actions/Export.h"
#include "support/AppSession.h"
#include "ui/ResourceIds.h"
#include "ui/Scan.h"

namespace {

const HKEY User = HKEY_CURRENT_USER, Machine = HKEY_LOCAL_MACHINE;
using ActionsTest = AppTest;

std::string MainBox(const std::string& text, UINT style) {
  return MessageBoxCatcher::Describe(text, "Quillmere", style, "main");
}
int Scans(const RegistryCalls& calls) { return calls.OpensOf(UninstallPath) / 2; }  // each opens both roots' keys
void PressEnter() { SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0); }
void Click(const CWindow& button) { SendMessageA(button.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); }

// A stand-in process that a thread timer ends, firing only while the program's wait dispatches
// messages: it notes whether the main window takes input, and waits for the elevated child, if any.
HANDLE Running = nullptr, Child = nullptr;
int RunsWithTheWindowDisabled = 0;
void CALLBACK EndTheRun(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  const bool childEnded = !Child || WaitForSingleObject(Child, 10000) == WAIT_OBJECT_0;
  RunsWithTheWindowDisabled += !IsWindowEnabled(MainWindow.GetHandle()) && childEnded;
  if (Child) CloseHandle(std::exchange(Child, nullptr));
  SetEvent(Running);
}
HANDLE StandInProcess() {
  ResetEvent(Running);
  SetTimer(nullptr, 0, 10, EndTheRun);
  HANDLE process = nullptr;
  DuplicateHandle(GetCurrentProcess(), Running, GetCurrentProcess(), &process, 0, FALSE, DUPLICATE_SAME_ACCESS);
  return process;
}

// CreateProcessA: each command line is noted; a program of these folders or names fails with its
// error; any other removes the selected program's registration as it runs in a stand-in process.
Texts Launched;
const DWORD ElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED
const std::pair<std::string, DWORD> Refusals[] = {{"C:\\Quill Test\\", ElevationRequired},
                                                  {"cmd ", ElevationRequired},
                                                  {"C:\\Gone\\", ERROR_PATH_NOT_FOUND},
                                                  {"msiexec ", ERROR_ACCESS_DENIED},
                                                  {"MsiExec ", ERROR_ACCESS_DENIED}};
BOOL WINAPI Launch(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                   LPSTARTUPINFOA, LPPROCESS_INFORMATION process) {
  Launched.push_back(commandLine);
  for (const auto& [start, error] : Refusals)
    if (Launched.back().find(start) != std::string::npos) return SetLastError(error), FALSE;
  RegistrySandbox::DeleteTree(GetSelectedEntry()->Root, UninstallPath + GetSelectedEntry()->KeyName);
  process->hThread = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // any handle: the program closes it
  process->hProcess = StandInProcess();
  return TRUE;
}

// ShellExecuteExA notes "verb|program|parameters|waited for"; then the prompt fails with PromptError
// or, answered yes, the system's own starts the program, which the stand-in's run waits for.
Texts Elevated;
DWORD PromptError = ERROR_SUCCESS;
BOOL WINAPI Execute(SHELLEXECUTEINFOA* execute) {
  Elevated.push_back(std::string(execute->lpVerb) + "|" + execute->lpFile + "|" +
                     (execute->lpParameters ? execute->lpParameters : "") + "|" +
                     std::to_string((execute->fMask & SEE_MASK_NOCLOSEPROCESS) != 0));
  if (PromptError != ERROR_SUCCESS) return SetLastError(PromptError), FALSE;
  if (!ApiHook::Original(&Execute)(execute) || !execute->hProcess) return FALSE;
  Child = execute->hProcess;
  execute->hProcess = StandInProcess();
  return TRUE;
}

std::string Offer(const std::string& command, const std::string& title) {
  return MainBox("Couldn't launch the program \"" + command + "\"\n\nThe uninstaller of \"" + title +
                     "\" is missing: the program may already have been removed. Remove its entry from the list?",
                 MB_ICONWARNING | MB_YESNO);
}

// While a box asks, the search timer fires, and Enter asks for another action, which does not
// start; the scan waits for the end of the action, which scans once in any case.
TEST_F(ActionsTest, EachWayToActOnTheSelectedProgramLaunchesOrAsksAsItMustThenScansOnceAtTheSamePlace) {
  std::string command = "\"C:\\Program Files\\Beta\\un.exe\" /X\t\"quoted  words\" a\\\"b %TEMP% ;& |  ";
  while (command.size() < 32000) command += static_cast<char>('a' + command.size() % 26);  // not cut at 260
  const std::string quiet =
      MainBox("Warning: this program can only be removed in Quiet mode.\n\nDo you want to proceed ?",
              MB_ICONWARNING | MB_YESNO);
  const auto denied = [](const std::string& command) {
    return MainBox("Couldn't launch the program \"" + command + "\"\n\nAccess denied.", MB_ICONERROR);
  };
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  CreateDirectoryA("C:\\Quill Test", nullptr);
  ASSERT_TRUE(CopyFileA((system + std::string("\\cmd.exe")).c_str(), "C:\\Quill Test\\Stand In.exe", FALSE));
  const std::string unquoted = "C:\\Quill Test\\Stand In.exe /c exit 3", missing = "C:\\Quill Test\\Gone.exe /x",
                    started = "runas|C:\\Quill Test\\Stand In.exe|/c exit 3|1";
  const std::map<std::string, void (*)()> triggers = {
      {"Enter", PressEnter},
      {"Remove button", [] { Click(RemoveButton); }},
      {"Repair button", [] { Click(RepairButton); }},
      {"Space on the Repair button", [] { SendMessageA(RepairButton.GetHandle(), WM_KEYUP, VK_SPACE, 0); }},
      {"Uninstall command", [] { Command(IDM_UNINSTALL); }},
      {"Modify command", [] { Command(IDM_MODIFY); }},
      {"Remove Entry command", [] { Command(IDM_REMOVE_ENTRY); }}};
  struct Action {
    std::string Trigger, Selected;    // the title selected ("": none)
    int Answer;                       // to a box that asks (0: none asked)
    std::string Launched, Box, Gone;  // what is launched, the box shown, the title gone from the list
    bool WaitedFor;                   // with the main window disabled
    std::string Elevated = "";        // what the elevation prompt starts
    DWORD PromptError = ERROR_SUCCESS;
  };
  std::vector<Action> actions = {
      {"Enter", "Alpha", IDNO, "", quiet, "", false},
      {"Enter", "Alpha", IDYES, "Alpha /q", quiet, "Alpha", true},
      {"Enter", "Product", 0, "MsiExec /X", denied("MsiExec /X"), "", false},
      {"Enter", "Stale", IDNO, "C:\\Gone\\un.exe /S", Offer("C:\\Gone\\un.exe /S", "Stale"), "", false},
      {"Enter", "Stale", IDYES, "C:\\Gone\\un.exe /S", Offer("C:\\Gone\\un.exe /S", "Stale"), "Stale", false},
      {"Remove Entry command", "Shared (whole machine)", IDNO, "",
       MainBox(RemoveQuestion("Shared (whole machine)"), MB_ICONWARNING | MB_YESNO), "", false},
      {"Remove Entry command", "Shared (user)", IDYES, "",
       MainBox(RemoveQuestion("Shared (user)"), MB_ICONWARNING | MB_YESNO), "Shared (user)", false},
      {"Enter", "Quoted", 0, "\"C:\\Quill Test\\Stand In.exe\" /c exit 3", "", "", true, started},
      {"Enter", "Unquoted", 0, unquoted, "", "", true, started},
      {"Enter", "Expanded", 0, unquoted, "", "", true, started},
      {"Enter", "Bare", 0, "cmd /c exit 3", "", "", true, "runas|" + std::string(system) + "\\cmd.exe|/c exit 3|1"},
      {"Enter", "Unquoted", 0, unquoted, "", "", false, started, ERROR_CANCELLED},  // declined: no failure
      {"Enter", "Missing", IDNO, missing, Offer(missing, "Missing"), "", false, "runas|C:\\Quill|Test\\Gone.exe /x|1"}};
  for (const char* trigger : {"Enter", "Remove button", "Uninstall command"})
    actions.push_back({trigger, "Beta", 0, command, "", "Beta", true});
  for (const char* trigger : {"Modify command", "Repair button", "Space on the Repair button"})
    actions.push_back({trigger, "Product", 0, "msiexec /f {6F1C}", denied("msiexec /f {6F1C}"), "", false});
  for (const auto& [trigger, run] : triggers)
    if (trigger != "Remove Entry command")
      actions.push_back({trigger, "", 0, "", MainBox("Please select a program", MB_ICONINFORMATION), "", false});
  Running = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ApiHook launch("KERNEL32.dll", "CreateProcessA", &Launch), execute("SHELL32.dll", "ShellExecuteExA", &Execute);
  for (const Action& action : actions) {
    SCOPED_TRACE(action.Trigger + " on " + action.Selected + ", answered " + std::to_string(action.Answer) +
                 ", the elevation prompt ending with " + std::to_string(action.PromptError));
    RegistrySandbox::Register(Machine, "alpha", {"DisplayName=Alpha", "QuietUninstallString=Alpha /q"});
    RegistrySandbox::Register(Machine, "beta",
                              {"DisplayName=Beta", "UninstallString=" + command, "QuietUninstallString=q"});
    RegistrySandbox::Register(Machine, "{6F1C}",
                              {"DisplayName=Product", "UninstallString=MsiExec /X", "WindowsInstaller=#1"});
    Register(User, "Shared", "Shared (user)");
    Register(Machine, "Shared", "Shared (whole machine)");
    Register(Machine, "Stale", "Stale", "C:\\Gone\\un.exe /S");
    Register(Machine, "Quoted", "Quoted", "\"C:\\Quill Test\\Stand In.exe\" /c exit 3");
    Register(Machine, "Unquoted", "Unquoted", unquoted);
    RegistrySandbox::Write(Machine, UninstallPath + std::string("Expanded"), "UninstallString", REG_EXPAND_SZ,
                           "%SystemDrive%\\Quill Test\\Stand In.exe /c exit 3" + std::string(1, '\0'));
    Register(Machine, "Bare", "Bare", "cmd /c exit 3");
    Register(Machine, "Missing", "Missing", missing);
    StartUp();
    Select(action.Selected);
    const int selected = std::max(SelectedIndex(), 0);
    Launched.clear(), Elevated.clear(), Boxes.Boxes.clear(), Boxes.Answers.assign(action.Answer != 0, action.Answer);
    PromptError = action.PromptError;
    RegistryCalls calls;
    int scansWhileAsking = RunsWithTheWindowDisabled = 0;
    Boxes.WhileOpen = [&] {
      SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
      PressEnter();
      scansWhileAsking += Scans(calls);
    };
    triggers.at(action.Trigger)();
    Texts listed = {"Alpha",    "Bare",          "Beta",
                    "Expanded", "Missing",       "Product",
                    "Quoted",   "Shared (user)", "Shared (whole machine)",
                    "Stale",    "Unquoted"};
    listed.erase(std::remove(listed.begin(), listed.end(), action.Gone), listed.end());
    EXPECT_EQ(Texts(!action.Launched.empty(), action.Launched), Launched) << "launched";
    EXPECT_EQ(Texts(!action.Elevated.empty(), action.Elevated), Elevated) << "asked of the elevation prompt";
    EXPECT_EQ(Texts(!action.Box.empty(), action.Box), Boxes.Boxes) << "boxes";
    EXPECT_EQ(listed, ListTitles());
    EXPECT_EQ(selected, SelectedIndex()) << "a scan selects the first item when none is";
    EXPECT_EQ(0, scansWhileAsking);
    EXPECT_EQ(1, Scans(calls));
    EXPECT_EQ(action.WaitedFor, RunsWithTheWindowDisabled == 1) << "a run waited for with the main window disabled";
  }
  Boxes.WhileOpen = nullptr;
  DeleteFileA("C:\\Quill Test\\Stand In.exe");
  RemoveDirectoryA("C:\\Quill Test");
}

using Ids = std::vector<UINT>;
namespace fs = std::filesystem;

Ids Grayed(HMENU menu) {
  Ids grayed;
  for (UINT id : {IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY, IDM_COPY})
    if (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) grayed.push_back(id);
  return grayed;
}
std::pair<Ids, POINT> Popup;  // the grayed commands of the list's context menu, and where it opens
BOOL WINAPI RecordPopup(HMENU menu, UINT, int x, int y, HWND, LPTPMPARAMS) { return Popup = {Grayed(menu), {x, y}}, 0; }

std::string Content(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}
TEST_F(ActionsTest, TheCommandsAndTheDetailsFollowTheSelectionAndTheListedRowsGoWholeToAFile) {
  RegistrySandbox::Register(
      Machine, "{A1}",
      {"DisplayName==Alpha \"Pro\"", "UninstallString=MsiExec /X{A1}", "QuietUninstallString=q /S", "Publisher=+Acme",
       "DisplayVersion=-1.5", "WindowsInstaller=#1", "InstallDate=20240228"});
  RegistrySandbox::WriteUsage(Machine, "{A1}", UsageRecord(3 << 20, 11, FileTimeOf(2024, 2, 29)));
  // Usage data without a program size: the estimated size stands in.
  RegistrySandbox::Register(User, "q", {"DisplayName=Quiet", "QuietUninstallString=q", "EstimatedSize=#5242880"});
  RegistrySandbox::WriteUsage(User, "q", UsageRecord(0, 7, FileTimeOf(2024, 3, 15)));
  Register(User, "c", "Charlie");
  Register(User, "b", "Bravo");
  ApiHook popup("USER32.dll", "TrackPopupMenuEx", &RecordPopup);
  const ApiHook dates = ShortDates("dd.MM.yyyy");
  StartUp();
  const HWND list = ProgramList.GetHandle();
  struct {
    int Item;
    Ids Grayed;
    std::string Details;  // title, size, last use, uses, publisher, version
  } const cases[] = {{0, {}, "=Alpha \"Pro\"|3 MB|29.02.2024|frequently (11)|+Acme|-1.5"},
                     {3, {IDM_UNINSTALL, IDM_MODIFY}, "Quiet|5 GB|15.03.2024|occasionally (7)||"},
                     {-1, {IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY, IDM_COPY}, "|||||"}};
  for (const auto& [item, grayed, pane] : cases) {
    SCOPED_TRACE("item " + std::to_string(item));
    Select(item);
    std::string texts = DetailsTitle.GetText();
    for (CWindow* value : {&SizeValue, &LastUsedValue, &UsedValue, &PublisherValue, &VersionValue})
      texts += "|" + value->GetText();
    EXPECT_EQ(grayed, Grayed(MainWindow.GetMenu())) << "main menu";
    EXPECT_EQ(item == 0, !!IsWindowVisible(RepairButton.GetHandle())) << "Repair button";
    EXPECT_EQ(pane, texts) << "details";
  }
  SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-40, -30));
  EXPECT_EQ(Grayed(MainWindow.GetMenu()), Popup.first) << "the context menu grays what the main menu grays";
  EXPECT_EQ(-40, Popup.second.x) << "a monitor left of and above the main one";
  EXPECT_EQ(-30, Popup.second.y);
  SearchEdit.SetText("o");
  RequestScan();
  Command(IDM_SORT_DESCENDING);
  const std::string header =
                        "Application,Size,Size in bytes,Company,Frequency of use,Date last used,Installed on,"
                        "Status,Version,Key name,Root,Registry view,Uninstall command,Quiet uninstall command,"
                        "Windows Installer\r\n",
                    bravo = "Bravo,,,,,,,Uninstaller missing,,b,HKEY_CURRENT_USER,,uninstall.exe,,No\r\n",
                    alpha =
                        "\"'=Alpha \"\"Pro\"\"\",3 MB,3145728,'+Acme,frequently (11),2024-02-29,2024-02-28,,-1.5,{A1},"
                        "HKEY_LOCAL_MACHINE," +
                        std::string(sizeof(void*) == 8 ? "32-bit" : "") +  // a 64-bit process reads that view first
                        ",MsiExec /X{A1},q /S,Yes\r\n";
  const fs::path file = fs::temp_directory_path() / ("quillmere-export-" + std::to_string(GetCurrentProcessId()));
  EXPECT_TRUE(ExportListTo(file.wstring()));
  EXPECT_EQ("\xEF\xBB\xBF" + header + bravo + alpha, Content(file));
  fs::remove(file);
}

// Dispatches this thread's messages until done() holds, for at most 15 s.
bool WaitFor(const std::function<bool()>& done) {
  for (int wait = 0; wait < 750 && !done(); ++wait)
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT), PumpMessages();
  return done();
}
bool ListFocused() { return GetFocus() == ProgramList.GetHandle(); }

TEST_F(RealInputTest, TabGoesAlongTheListTheSearchBoxAndTheButtons) {
  RegistrySandbox::Register(Machine, "{A1}", {"DisplayName=Alpha", "UninstallString=u", "WindowsInstaller=#1"});
  StartUp();
  ASSERT_TRUE(WaitFor([] { return SetForegroundWindow(MainWindow.GetHandle()) && ListFocused(); }));
  std::vector<HWND> focused;
  for (int modifier : {0, 0, 0, 0, VK_SHIFT, VK_SHIFT}) {
    PressKey(GetFocus(), VK_TAB, modifier);
    focused.push_back(GetFocus());
  }
  EXPECT_EQ((std::vector<HWND>{SearchEdit.GetHandle(), RepairButton.GetHandle(), RemoveButton.GetHandle(),
                               ProgramList.GetHandle(), RemoveButton.GetHandle(), RepairButton.GetHandle()}),
            focused)
      << "Tab four times, then Shift+Tab twice";
}

// The registration's key may not be opened for deleting.
LONG WINAPI DenyDeleting(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
  if (access & DELETE) return ERROR_ACCESS_DENIED;
  return ApiHook::Original(&DenyDeleting)(root, path, options, access, key);
}
BOOL WINAPI StartedElsewhere(SHELLEXECUTEINFOA* execute) { return execute->hProcess = nullptr, TRUE; }

// Runs as every program runs under Wine, elevated, then runs itself in a process of the limited
// token that is linked to its own, as an administrator's program runs under User Account Control.
TEST_F(ActionsTest, OnlyWhileNotElevatedTheMenuOffersRunAsAdministratorAndADeniedRemovalSaysWhoMayRemoveIt) {
  const bool limited = std::getenv("QUILLMERE_LIMITED_TOKEN") != nullptr;
  ApiHook open("ADVAPI32.dll", "RegOpenKeyExA", &DenyDeleting);
  RegistrySandbox::Register(Machine, "App", {"DisplayName=App", "UninstallString=u"});
  StartUp();
  Select(0);
  Boxes.Answers = {IDYES};
  Command(IDM_REMOVE_ENTRY);
  const std::string advice = limited ? "\n\nEntries installed for all users can be removed by an administrator: "
                                       "choose Action > Run as administrator."
                                     : "";
  EXPECT_EQ(MainBox("Couldn't remove the entry \"App\".\n\nAccess denied." + advice, MB_ICONERROR), Boxes.Boxes.back());
  EXPECT_EQ(Texts{"App"}, ListTitles());
  char item[64] = {}, self[MAX_PATH];
  GetMenuStringA(MainWindow.GetMenu(), IDM_RUN_AS_ADMINISTRATOR, item, sizeof item, MF_BYCOMMAND);
  EXPECT_EQ(limited ? "Run as &administrator" : "", std::string(item));
  if (limited) return;
  HANDLE token = nullptr;
  TOKEN_LINKED_TOKEN linked = {};
  DWORD size = 0, exitCode = 1;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
              GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size));
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string commandLine = "\"" + std::string(self) + "\" --gtest_filter=ActionsTest.OnlyWhileNotElevated*";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  SetEnvironmentVariableA("QUILLMERE_LIMITED_TOKEN", "1");
  ASSERT_TRUE(CreateProcessAsUserA(linked.LinkedToken, self, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &child));
  SetEnvironmentVariableA("QUILLMERE_LIMITED_TOKEN", nullptr);
  WaitForSingleObject(child.hProcess, 60000);
  GetExitCodeProcess(child.hProcess, &exitCode);
  EXPECT_EQ(0u, exitCode) << "the same test, not elevated";
  // Run as administrator: a declined prompt keeps this program without a box, a failure says why.
  ApiHook execute("SHELL32.dll", "ShellExecuteExA", &Execute);
  Boxes.Boxes.clear();
  for (DWORD answer : {DWORD(ERROR_CANCELLED), DWORD(ERROR_ACCESS_DENIED)}) {
    PromptError = answer;
    Command(IDM_RUN_AS_ADMINISTRATOR);
    EXPECT_TRUE(IsWindow(MainWindow.GetHandle()));
  }
  EXPECT_EQ((Texts{"runas|" + std::string(self) + "||1", "runas|" + std::string(self) + "||1"}), Elevated);
  EXPECT_EQ(Texts{MainBox("Couldn't launch the program \"" + std::string(self) + "\"\n\nAccess denied.", MB_ICONERROR)},
            Boxes.Boxes)
      << "declined: no box";
  ApiHook started("SHELL32.dll", "ShellExecuteExA", &StartedElsewhere);
  Command(IDM_RUN_AS_ADMINISTRATOR);
  EXPECT_FALSE(IsWindow(MainWindow.GetHandle())) << "this program ends once the other has started";
}

}  // namespace
