#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <thread>

#include "actions/Launch.h"
#include "app/MainWindow.h"
#include "app/resources/ResourceIds.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/HandleCount.h"
#include "support/LaunchInterceptor.h"
#include "support/Ticker.h"
#include "support/UninstallerScript.h"

namespace {

using LaunchTest = AppTest;

void ExpectLaunchFailureBox(const CaughtMessageBox& box, const std::string& commandLine) {
  EXPECT_EQ("Couldn't launch the program \"" + commandLine + "\"", box.Text);
  EXPECT_EQ("Quillmere", box.Caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), box.Style);
  EXPECT_EQ(MainWindow.GetHandle(), box.Owner);
}

TEST_F(LaunchTest, HandsTheCommandLineOverVerbatim) {
  UninstallerScript helper;
  const std::string commandLine = helper.CommandLine("  /X\t\"quoted  words\"  a\\\"b %TEMP% ;& |  ");
  LaunchAndWait(commandLine);
  EXPECT_EQ(std::vector<std::string>{commandLine}, helper.Launches());
  EXPECT_TRUE(Boxes.Boxes().empty());
}

class LongCommandLineTest : public AppTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(LongCommandLineTest, ReachesTheChildWhole) {
  UninstallerScript helper;
  std::string commandLine = helper.CommandLine("--pad ");
  ASSERT_LT(commandLine.size(), GetParam());
  for (size_t i = commandLine.size(); i < GetParam(); ++i) commandLine += static_cast<char>('a' + i % 26);
  LaunchAndWait(commandLine);
  EXPECT_EQ(std::vector<std::string>{commandLine}, helper.Launches());
  EXPECT_TRUE(Boxes.Boxes().empty());
}

// Around the 260 characters of a path buffer, well beyond, and near the system's limit of 32767.
INSTANTIATE_TEST_SUITE_P(Lengths, LongCommandLineTest, ::testing::Values(259u, 260u, 261u, 1000u, 32000u));

TEST_F(LaunchTest, ALaunchFailureShowsTheCommandLineInQuotesAndReturns) {
  const std::string commandLine = "Z:\\no such folder\\uninstall.exe /remove";
  LaunchAndWait(commandLine);
  ASSERT_EQ(1u, Boxes.Boxes().size());
  ExpectLaunchFailureBox(Boxes.Boxes()[0], commandLine);
}

TEST_F(LaunchTest, ALaunchFailureShowsALongCommandLineWhole) {
  const std::string commandLine = "Z:\\missing\\uninstall.exe " + std::string(700, 'q');
  LaunchAndWait(commandLine);
  ASSERT_EQ(1u, Boxes.Boxes().size());
  ExpectLaunchFailureBox(Boxes.Boxes()[0], commandLine);
}

TEST_F(LaunchTest, AnEmptyCommandLineFailsWithTwoQuotes) {
  LaunchInterceptor launches([](const std::string& commandLine) { return commandLine; });
  LaunchAndWait("");
  ASSERT_EQ(1u, Boxes.Boxes().size());
  ExpectLaunchFailureBox(Boxes.Boxes()[0], "");
  EXPECT_EQ("Couldn't launch the program \"\"", Boxes.Boxes()[0].Text);
}

TEST_F(LaunchTest, AChildThatEndsWithAnErrorCodeIsNotReported) {
  UninstallerScript helper;
  LaunchAndWait(helper.CommandLine("--exit 1603"));
  EXPECT_EQ(1u, helper.Launches().size());
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(LaunchTest, AnUnquotedPathWithSpacesIsResolvedBySearch) {
  UninstallerScript helper;
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string folder = std::string(temp) + "Quillmere test " + std::to_string(GetCurrentProcessId());
  const std::string copy = folder + "\\Scripted uninstaller.exe";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(UninstallerScript::ExecutablePath().c_str(), copy.c_str(), TRUE));

  const std::string commandLine = copy + " " + helper.RecordWords();
  LaunchInterceptor launches([](const std::string& line) { return line; });
  LaunchAndWait(commandLine);
  EXPECT_EQ(std::vector<std::string>{commandLine}, launches.CommandLines());
  ASSERT_EQ(1u, helper.Launches().size()) << "the copy did not run";
  // Wine hands the child its command line with the executable found put in quotes.
  const std::string received = helper.Launches()[0];
  EXPECT_TRUE(received == commandLine || received == "\"" + copy + "\" " + helper.RecordWords()) << received;
  EXPECT_TRUE(Boxes.Boxes().empty());

  DeleteFileA(copy.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST_F(LaunchTest, ReturnsOnlyAfterTheChildHasEnded) {
  UninstallerScript helper;
  LaunchAndWait(helper.CommandLine("--sleep 300 " + helper.RecordWords()));
  EXPECT_EQ(2u, helper.Launches().size()) << "the second line is written just before the child ends";
}

TEST_F(LaunchTest, TheWaitEndsWithTheLaunchedProcessNotWithTheCopyItStarted) {
  UninstallerScript helper;
  NamedEvent release;
  LaunchAndWait(helper.CommandLine("--spawn-copy " + release.Name()));

  ASSERT_EQ(1u, helper.Copies().size());
  HANDLE copy = OpenProcess(SYNCHRONIZE, FALSE, helper.Copies()[0]);
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(copy, 0)) << "the copy still runs";
  release.Set();
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(copy, 30000));
  CloseHandle(copy);
}

TEST_F(LaunchTest, StartsTheChildWithTheDefaultsAndAWritableCopyOfTheCommandLine) {
  UninstallerScript helper;
  LaunchInterceptor launches([](const std::string& commandLine) { return commandLine; });
  const std::string commandLine = helper.CommandLine();
  LaunchAndWait(commandLine);

  ASSERT_EQ(1u, launches.Launches.size());
  const InterceptedLaunch& launch = launches.Launches[0];
  EXPECT_FALSE(launch.HasApplicationName) << "the executable is the command line's first token";
  EXPECT_EQ(commandLine, launch.CommandLine);
  EXPECT_TRUE(launch.CommandLineIsWritable);
  EXPECT_FALSE(launch.HasSecurityAttributes);
  EXPECT_FALSE(launch.InheritHandles);
  EXPECT_EQ(0u, launch.CreationFlags);
  EXPECT_FALSE(launch.HasEnvironment);
  EXPECT_FALSE(launch.HasCurrentDirectory);
  EXPECT_EQ(68u, launch.StartupInfo.cb);
  EXPECT_EQ(0u, launch.StartupInfo.dwFlags);
  EXPECT_EQ(1u, helper.Launches().size());
}

TEST_F(LaunchTest, ClosesTheChildsHandles) {
  UninstallerScript helper;
  LaunchAndWait(helper.CommandLine());  // the first launch loads what launches need, once
  const int before = CountOpenHandles();
  LaunchAndWait(helper.CommandLine());
  LaunchAndWait(helper.CommandLine());
  EXPECT_EQ(before, CountOpenHandles());
  EXPECT_EQ(3u, helper.Launches().size());
}

TEST_F(LaunchTest, AQuitMessageThatArrivesDuringTheWaitIsKeptForTheMessageLoop) {
  UninstallerScript helper;
  NamedEvent release;
  Ticker ticker(20, [&] {
    PostQuitMessage(7);
    release.Set();
  });
  LaunchAndWait(helper.CommandLine("--wait-event " + release.Name()));
  WPARAM exitCode = 0;
  EXPECT_TRUE(TakeQuitMessage(&exitCode));
  EXPECT_EQ(7u, exitCode);
}

TEST_F(LaunchTest, ClosingTheWindowDuringTheWaitEndsTheProgramOnceTheUninstallerHasEnded) {
  UninstallerScript helper;
  NamedEvent release;
  Register(HKEY_LOCAL_MACHINE, "tool", "Tool", helper.CommandLine("--wait-event " + release.Name() + " " +
                                                                  helper.RecordWords()));
  StartUp();
  Ticker ticker(20, [&] {
    if (ticker.Ticks() == 1) PostMessageA(MainWindow.GetHandle(), WM_CLOSE, 0, 0);
    if (!IsWindow(MainWindow.GetHandle())) release.Set();
  });
  SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0);

  EXPECT_EQ(2u, helper.Launches().size()) << "the uninstaller was waited for to its end";
  EXPECT_FALSE(IsWindow(MainWindow.GetHandle()));
  EXPECT_TRUE(TakeQuitMessage()) << "the message loop ends";
  EXPECT_TRUE(Boxes.Texts().empty());
}

DWORD WINAPI FailingWait(DWORD, const HANDLE*, BOOL, DWORD, DWORD) { return WAIT_FAILED; }

TEST_F(LaunchTest, AWaitThatFailsReturnsInsteadOfSpinning) {
  UninstallerScript helper;
  ApiHook failingWait("USER32.dll", "MsgWaitForMultipleObjects", reinterpret_cast<void*>(&FailingWait));
  ASSERT_TRUE(failingWait.Installed());
  LaunchAndWait(helper.CommandLine());
  EXPECT_TRUE(IsWindowEnabled(MainWindow.GetHandle()));
}

// Records the calls of SetForegroundWindow and SetFocus, each with whether the main window was
// enabled at the time, and lets them through. Other test programs on the same display may take
// the foreground at any moment, so the calls tell more than the state found afterwards.
class ActivationCalls {
 public:
  struct Call {
    HWND Window;
    bool MainWindowEnabled;
  };

  ActivationCalls()
      : Foreground("USER32.dll", "SetForegroundWindow", reinterpret_cast<void*>(&ForegroundStandIn)),
        Focus("USER32.dll", "SetFocus", reinterpret_cast<void*>(&FocusStandIn)) {
    Active = this;
    EXPECT_TRUE(Foreground.Installed() && Focus.Installed());
  }
  ~ActivationCalls() { Active = nullptr; }

  bool Contains(const std::vector<Call>& calls, HWND window) const {
    for (const Call& call : calls)
      if (call.Window == window && call.MainWindowEnabled) return true;
    return false;
  }
  bool ForegroundAskedForWhenEnabled(HWND window) const { return Contains(ForegroundCalls, window); }
  bool FocusGivenWhenEnabled(HWND window) const { return Contains(FocusCalls, window); }

  std::vector<Call> ForegroundCalls;
  std::vector<Call> FocusCalls;

 private:
  static Call Record(HWND window) { return {window, IsWindowEnabled(MainWindow.GetHandle()) != FALSE}; }
  static BOOL WINAPI ForegroundStandIn(HWND window) {
    Active->ForegroundCalls.push_back(Record(window));
    return Active->Foreground.Original<BOOL(WINAPI*)(HWND)>()(window);
  }
  static HWND WINAPI FocusStandIn(HWND window) {
    Active->FocusCalls.push_back(Record(window));
    return Active->Focus.Original<HWND(WINAPI*)(HWND)>()(window);
  }

  static ActivationCalls* Active;
  ApiHook Foreground;
  ApiHook Focus;
};

ActivationCalls* ActivationCalls::Active = nullptr;

// What a test sees of the main window from a timer callback while an uninstaller runs.
struct DuringTheWait {
  bool MainWindowEnabled = true;
  bool Invalidated = false;
  bool PaintedWhileDisabled = false;
  std::atomic<bool> OtherThreadAnswered{false};
  std::atomic<bool> OtherThreadDone{false};
};

TEST_F(LaunchTest, WhileAnUninstallerRunsTheWindowPaintsAndAnswersButTakesNoInput) {
  UninstallerScript helper;
  NamedEvent release;
  Register(HKEY_LOCAL_MACHINE, "tool", "Tool", helper.CommandLine("--wait-event " + release.Name()));
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "tool", "WindowsInstaller", 1);
  StartUp();
  ASSERT_EQ(0, SelectedIndex());
  // Whatever else gets launched is recorded and refused.
  LaunchInterceptor launches([](const std::string& commandLine) {
    return commandLine.find("ScriptedUninstaller.exe") != std::string::npos ? commandLine : "";
  });

  HWND main = MainWindow.GetHandle();
  HWND list = ProgramList.GetHandle();
  DuringTheWait seen;
  MessageSpy mainSpy(main);
  mainSpy.WhileArriving([&](const SpiedMessage& message) {
    if (message.Message == WM_PAINT && seen.Invalidated && !IsWindowEnabled(main)) seen.PaintedWhileDisabled = true;
  });
  std::thread otherThread;
  Ticker ticker(20, [&] {
    if (ticker.Ticks() == 1) {
      seen.MainWindowEnabled = IsWindowEnabled(main) != FALSE;
      InvalidateRect(main, nullptr, TRUE);
      seen.Invalidated = true;
      otherThread = std::thread([&] {
        DWORD_PTR result = 0;
        seen.OtherThreadAnswered = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
        seen.OtherThreadDone = true;
      });
      // Every way in which an action starts, as posted input and commands.
      PostMessageA(RemoveButton.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
      PostMessageA(RemoveButton.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
      PostMessageA(RepairButton.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
      PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
      PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 30));
      PostMessageA(main, WM_COMMAND, IDM_UNINSTALL, 0);
      PostMessageA(main, WM_COMMAND, IDM_MODIFY, 0);
    }
    const bool everythingSeen = seen.PaintedWhileDisabled && seen.OtherThreadDone;
    if ((everythingSeen && ticker.Ticks() > 10) || ticker.Ticks() > 500) release.Set();
  });

  ProgramList.SetFocus();
  const HWND focusBefore = GetFocus();  // none when another program has just taken the foreground
  ActivationCalls activation;
  SendMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
  if (otherThread.joinable()) otherThread.join();

  EXPECT_GE(ticker.Ticks(), 1) << "the wait dispatched no messages";
  EXPECT_FALSE(seen.MainWindowEnabled);
  EXPECT_TRUE(seen.PaintedWhileDisabled);
  EXPECT_TRUE(seen.OtherThreadAnswered);
  EXPECT_EQ(1u, helper.Launches().size()) << "no second action started during the wait";
  EXPECT_EQ(1u, launches.Launches.size());
  EXPECT_TRUE(Boxes.Texts().empty());
  EXPECT_TRUE(IsWindowEnabled(main));
  if (focusBefore) {
    EXPECT_TRUE(activation.FocusGivenWhenEnabled(focusBefore)) << "the focus goes back where it was";
  }
}

TEST_F(LaunchTest, TheMainWindowAsksForTheForegroundAndTheFocusBackFromTheUninstallersWindow) {
  UninstallerScript helper;
  Register(HKEY_LOCAL_MACHINE, "tool", "Tool", helper.CommandLine("--window 300"));
  StartUp();
  HWND main = MainWindow.GetHandle();
  bool foreignForeground = false;
  Ticker ticker(20, [&] {
    if (GetForegroundWindow() != main) foreignForeground = true;
  });
  const HWND focusBefore = GetFocus();
  ActivationCalls activation;
  SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0);

  EXPECT_EQ(1u, helper.Launches().size());
  EXPECT_TRUE(foreignForeground) << "the uninstaller's window took the foreground";
  EXPECT_TRUE(activation.ForegroundAskedForWhenEnabled(main));
  if (focusBefore) {
    EXPECT_TRUE(activation.FocusGivenWhenEnabled(focusBefore));
  }
  for (const auto& call : activation.FocusCalls) EXPECT_TRUE(call.MainWindowEnabled) << "a disabled window takes no focus";
}

// Real input through the X server: xdotool (a Linux program) runs the actions, then parks the
// pointer at (parkX, parkY), where no window of this test lies. Its process cannot be waited for
// from here, so the pointer's arrival at that place tells that every event has been sent.
void SendRealInput(const std::string& actions, int parkX, int parkY) {
  std::string commandLine = "/usr/bin/xdotool " + actions + " mousemove --sync " + std::to_string(parkX) + " " +
                            std::to_string(parkY);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process));
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const DWORD start = GetTickCount();
  POINT pointer = {};
  while (GetCursorPos(&pointer) && (pointer.x != parkX || pointer.y != parkY) && GetTickCount() - start < 10000)
    Sleep(10);
  EXPECT_EQ(parkX, pointer.x) << "xdotool did not finish";
}

// xdotool words for a double-click on the item's label (its first column); none, and a failure,
// when the place belongs to another window: a click there could disturb another test.
std::string DoubleClickOnItem(int item) {
  RECT rect = {};
  rect.left = LVIR_LABEL;
  SendMessageA(ProgramList.GetHandle(), LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rect));
  POINT point = {rect.left + 20, (rect.top + rect.bottom) / 2};
  ClientToScreen(ProgramList.GetHandle(), &point);
  // A disabled window is not found at a point; its top-level window is.
  if (GetAncestor(WindowFromPoint(point), GA_ROOT) != MainWindow.GetHandle()) {
    ADD_FAILURE() << "another window covers the item";
    return "";
  }
  return "mousemove --sync " + std::to_string(point.x) + " " + std::to_string(point.y) + " click --repeat 2 1";
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    PumpMessages();
  }
  return true;
}

// Other test programs may run at the same time on the same display: the main window goes to the
// bottom right corner, on top of everything, where their windows do not reach.
void MoveOutOfTheWayOfOtherTests() {
  SetWindowPos(MainWindow.GetHandle(), HWND_TOPMOST, 880, 640, 380, 300, SWP_SHOWWINDOW);
  PumpMessages();
}

// Real input reaches whichever test's window is in front: suites named *RealInput* run alone.
using RealInputLaunchTest = LaunchTest;

TEST_F(RealInputLaunchTest, ARealDoubleClickLaunchesButRealInputDuringTheWaitStartsNothing) {
  UninstallerScript helper;
  NamedEvent release;
  Register(HKEY_LOCAL_MACHINE, "tool", "Tool", helper.CommandLine("--wait-event " + release.Name()));
  StartUp();
  MoveOutOfTheWayOfOtherTests();
  ASSERT_EQ(0, SelectedIndex());
  HWND main = MainWindow.GetHandle();

  int ticksInTheWait = 0;
  Ticker ticker(20, [&] {
    if (IsWindowEnabled(main)) return;  // not waiting for the uninstaller
    if (++ticksInTheWait == 1) SendRealInput(DoubleClickOnItem(0), 1275, 1020);
    // The events reach the window at the next dispatch; give them plenty.
    if (ticksInTheWait > 25) release.Set();
  });
  SendRealInput(DoubleClickOnItem(0), 1270, 1015);
  ASSERT_TRUE(PumpUntil([&] { return ticksInTheWait > 25 && IsWindowEnabled(main); }))
      << "the double-click started no uninstaller, or the window stayed enabled during the wait";
  const int ticksAfterTheWait = ticker.Ticks();
  PumpUntil([&] { return ticker.Ticks() > ticksAfterTheWait + 10; });

  EXPECT_EQ(1u, helper.Launches().size());
  EXPECT_TRUE(Boxes.Texts().empty());
}

}  // namespace
