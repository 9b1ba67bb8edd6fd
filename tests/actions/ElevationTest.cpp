#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <gtest/gtest.h>

#include "inventory/CommandLine.h"
#include "support/AppSession.h"
#include "ui/ResourceIds.h"

namespace {

const HKEY Machine = HKEY_LOCAL_MACHINE;
using ElevationTest = AppTest;

TEST(CommandLineTest, AProgramIsReadAsCreateProcessReadsACommandLineWithoutAnApplicationName) {
  const auto splits = [](const std::string& commandLine) {
    std::string read;
    for (const CommandSplit& split : CommandSplits(commandLine))
      read += "[" + split.Program + "|" + split.Parameters + "]";
    return read;
  };
  EXPECT_EQ("[C:\\P F\\u.exe|/S \"x\"]", splits(" \"C:\\P F\\u.exe\"  /S \"x\""));
  EXPECT_EQ("[C:\\P F\\u.exe|]", splits("\"C:\\P F\\u.exe"));
  EXPECT_EQ("[C:\\P|F\\u.exe\t /S ][C:\\P F\\u.exe|/S ][C:\\P F\\u.exe\t /S|]", splits("C:\\P F\\u.exe\t /S "));
  EXPECT_EQ("[|]", splits(""));
}

// CreateProcessA refuses every program for want of administrator rights. ShellExecuteExA notes
// what it is asked; then it answers as the prompt's Answer says or, answered yes, starts the program
// with the system's own and hands out an event in its place, which a thread timer sets once the real
// process has ended, noting whether the main window took input meanwhile.
Texts Refused, Elevated;
DWORD Answer = ERROR_SUCCESS;
ApiHook* ExecuteHook = nullptr;
HANDLE Running = nullptr, Child = nullptr;
int RunsWithTheWindowDisabled = 0;
BOOL WINAPI NeedsElevation(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                           LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
  return Refused.push_back(commandLine), SetLastError(740), FALSE;  // ERROR_ELEVATION_REQUIRED
}
void CALLBACK EndTheRun(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  RunsWithTheWindowDisabled +=
      !IsWindowEnabled(MainWindow.GetHandle()) && WaitForSingleObject(Child, 10000) == WAIT_OBJECT_0;
  CloseHandle(Child);
  SetEvent(Running);
}
BOOL WINAPI Execute(SHELLEXECUTEINFOA* execute) {
  Elevated.push_back(std::string(execute->lpVerb) + "|" + execute->lpFile + "|" +
                     (execute->lpParameters ? execute->lpParameters : "") + "|" +
                     std::to_string((execute->fMask & SEE_MASK_NOCLOSEPROCESS) != 0));
  if (Answer != ERROR_SUCCESS) return SetLastError(Answer), FALSE;
  if (!ExecuteHook->Original<decltype(Execute)>()(execute) || !execute->hProcess) return FALSE;
  Child = execute->hProcess;
  SetTimer(nullptr, 0, 10, EndTheRun);
  ResetEvent(Running);
  return DuplicateHandle(GetCurrentProcess(), Running, GetCurrentProcess(), &execute->hProcess, 0, FALSE,
                         DUPLICATE_SAME_ACCESS);
}

TEST_F(ElevationTest, AnUninstallerThatNeedsRightsRunsWithThePromptAndIsWaitedForADeclinedPromptIsNoFailure) {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  CreateDirectoryA("C:\\Quill Test", nullptr);
  ASSERT_TRUE(CopyFileA((system + std::string("\\cmd.exe")).c_str(), "C:\\Quill Test\\Stand In.exe", FALSE));
  const std::string started = "runas|C:\\Quill Test\\Stand In.exe|/c exit 3|1";  // verb|program|parameters|waited for
  const std::string unquoted = "C:\\Quill Test\\Stand In.exe /c exit 3";
  struct {
    std::string Command, Launched;  // Command is written as REG_EXPAND_SZ when it holds a %
    DWORD Answer;
    std::string Elevated, Box;
  } const cases[] = {
      {"\"C:\\Quill Test\\Stand In.exe\" /c exit 3", "\"C:\\Quill Test\\Stand In.exe\" /c exit 3", 0, started, ""},
      {unquoted, unquoted, 0, started, ""},
      {"%SystemDrive%\\Quill Test\\Stand In.exe /c exit 3", unquoted, 0, started, ""},
      {"cmd /c exit 3", "cmd /c exit 3", 0, "runas|" + std::string(system) + "\\cmd.exe|/c exit 3|1", ""},
      {unquoted, unquoted, ERROR_CANCELLED, started, ""},
      {"C:\\Quill Test\\Gone.exe /x", "C:\\Quill Test\\Gone.exe /x", 0, "runas|C:\\Quill|Test\\Gone.exe /x|1",
       "Couldn't launch the program \"C:\\Quill Test\\Gone.exe /x\"\n\nThe uninstaller of \"App\" is missing: "
       "the program may already have been removed. Remove its entry from the list?|Quillmere|52|main"}};
  Running = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ApiHook create("KERNEL32.dll", "CreateProcessA", &NeedsElevation),
      execute("SHELL32.dll", "ShellExecuteExA", &Execute);
  ExecuteHook = &execute;
  for (const auto& test : cases) {
    SCOPED_TRACE(test.Command);
    RegistrySandbox::Write(Machine, UninstallPath + std::string("App"), "UninstallString",
                           test.Command.find('%') == std::string::npos ? REG_SZ : REG_EXPAND_SZ, test.Command + '\0');
    StartUp();
    Select(0);
    Refused.clear(), Elevated.clear(), Boxes.Boxes.clear(), Answer = test.Answer, RunsWithTheWindowDisabled = 0;
    RegistryCalls calls;
    SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Texts{test.Launched}, Refused) << "launched as expanded";
    EXPECT_EQ(Texts{test.Elevated}, Elevated) << "verb, program, parameters, waited for";
    EXPECT_EQ(Texts(!test.Box.empty(), test.Box), Boxes.Boxes);
    EXPECT_EQ(test.Box.empty() && !test.Answer, RunsWithTheWindowDisabled) << "waited for, window disabled";
    EXPECT_EQ(2, calls.OpensOf(UninstallPath)) << "one scan afterwards";
  }
  DeleteFileA("C:\\Quill Test\\Stand In.exe");
  RemoveDirectoryA("C:\\Quill Test");
}

// The registration's key may not be opened for deleting.
ApiHook* OpenHook = nullptr;
LONG WINAPI DenyDeleting(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
  if (access & DELETE) return ERROR_ACCESS_DENIED;
  return OpenHook->Original<decltype(RegOpenKeyExA)>()(root, path, options, access, key);
}
BOOL WINAPI StartedElsewhere(SHELLEXECUTEINFOA* execute) { return execute->hProcess = nullptr, TRUE; }

// Runs as every program runs under Wine, elevated, then runs itself in a process of the limited
// token that is linked to its own, as an administrator's program runs under User Account Control.
TEST_F(ElevationTest, OnlyWhileNotElevatedTheMenuOffersRunAsAdministratorAndADeniedRemovalSaysWhoMayRemoveIt) {
  const bool limited = std::getenv("QUILLMERE_LIMITED_TOKEN") != nullptr;
  ApiHook open("ADVAPI32.dll", "RegOpenKeyExA", &DenyDeleting);
  OpenHook = &open;
  RegistrySandbox::Register(Machine, "App", {"DisplayName=App", "UninstallString=u"});
  StartUp();
  Select(0);
  Boxes.Answers = {IDYES};
  Command(IDM_REMOVE_ENTRY);
  const std::string advice = limited ? "\n\nEntries installed for all users can be removed by an administrator: "
                                       "choose Action > Run as administrator."
                                     : "";
  EXPECT_EQ("Couldn't remove the entry \"App\".\n\nAccess denied." + advice + "|Quillmere|16|main", Boxes.Boxes.back());
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
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string commandLine =
      "\"" + std::string(self) + "\" --gtest_filter=" + test->test_suite_name() + "." + test->name();
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
  ExecuteHook = &execute;
  Boxes.Boxes.clear();
  for (DWORD answer : {DWORD(ERROR_CANCELLED), DWORD(ERROR_ACCESS_DENIED)}) {
    Answer = answer;
    Command(IDM_RUN_AS_ADMINISTRATOR);
    EXPECT_TRUE(IsWindow(MainWindow.GetHandle()));
  }
  EXPECT_EQ((Texts{"runas|" + std::string(self) + "||1", "runas|" + std::string(self) + "||1"}), Elevated);
  EXPECT_EQ(Texts{"Couldn't launch the program \"" + std::string(self) + "\"\n\nAccess denied.|Quillmere|16|main"},
            Boxes.Boxes)
      << "declined: no box";
  ApiHook started("SHELL32.dll", "ShellExecuteExA", &StartedElsewhere);
  Command(IDM_RUN_AS_ADMINISTRATOR);
  EXPECT_FALSE(IsWindow(MainWindow.GetHandle())) << "this program ends once the other has started";
}

}  // namespace
