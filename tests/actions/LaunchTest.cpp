#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "actions/Launch.h"
#include "app/MainWindow.h"
#include "app/resources/ResourceIds.h"
#include "support/AppSession.h"
#include "support/LaunchInterceptor.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySnapshot.h"
#include "support/UninstallerScript.h"

namespace {

using LaunchTest = AppTest;

TEST_F(LaunchTest, LongCommandLinesReachTheChildWhole) {
  // Around the 260 characters of a path buffer, well beyond, and near the system's limit of 32767.
  for (size_t length : {259u, 260u, 261u, 1000u, 32000u}) {
    UninstallerScript helper;
    std::string commandLine = helper.CommandLine("--pad ");
    while (commandLine.size() < length) commandLine += static_cast<char>('a' + commandLine.size() % 26);
    LaunchAndWait(commandLine);
    EXPECT_EQ(std::vector<std::string>{commandLine}, helper.Launches()) << length;
  }
  EXPECT_TRUE(Boxes.Texts().empty());
}

TEST_F(LaunchTest, AFailedLaunchShowsTheCommandLineInQuotesThenTheListIsRescanned) {
  const std::string missing = "\"Z:\\no such folder\\uninstall.exe\" /remove " + std::string(700, 'q');
  Register(HKEY_LOCAL_MACHINE, "gone", "Gone", missing);
  Register(HKEY_LOCAL_MACHINE, "empty", "Empty", "");
  StartUp();
  const std::string commandLines[] = {"", missing};  // of Empty and Gone, in the list's order
  for (int item : {0, 1}) {
    Select(item);
    Boxes.Clear();
    RegistryCalls calls;
    SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(1u, Boxes.Boxes().size());
    const CaughtMessageBox& box = Boxes.Boxes()[0];
    EXPECT_EQ("Couldn't launch the program \"" + commandLines[item] + "\"", box.Text);
    EXPECT_EQ("Quillmere", box.Caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), box.Style);
    EXPECT_EQ(MainWindow.GetHandle(), box.Owner);
    EXPECT_EQ(2, calls.OpensOf(UninstallPath)) << "one rescan: both roots";
    EXPECT_EQ(item, SelectedIndex());
  }
}

// What the main window goes through while an uninstaller runs, seen from a thread timer: it
// fires only when the wait for the uninstaller dispatches messages.
std::function<void()> OnTick;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { OnTick(); }

TEST_F(LaunchTest, WhileAnUninstallerRunsTheWindowRepaintsButNoOtherActionStarts) {
  const std::string releaseName = "QuillmereRelease-" + std::to_string(GetCurrentProcessId());
  const HANDLE release = CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str());
  Register(HKEY_LOCAL_MACHINE, "tool", "Tool", "tool.exe /uninstall");
  StartUp();
  const Registries before;
  // Every launch, of the uninstaller or anything else (msiexec), starts the helper in its place.
  UninstallerScript helper;
  LaunchInterceptor launches(helper.CommandLine("--wait-event " + releaseName));
  HWND main = MainWindow.GetHandle();
  HWND list = ProgramList.GetHandle();
  bool enabledDuringTheWait = true;
  bool repaintedDuringTheWait = false;
  int ticks = 0;
  OnTick = [&] {
    if (++ticks == 1) {
      enabledDuringTheWait = IsWindowEnabled(main) != FALSE;
      InvalidateRect(main, nullptr, TRUE);
      // Every way in which an action starts, as posted input and commands; a removal would be confirmed.
      Boxes.QueueAnswer(IDYES);
      PostMessageA(RemoveButton.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
      PostMessageA(RemoveButton.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
      PostMessageA(RepairButton.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
      PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
      PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 30));
      for (WPARAM id : {IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY}) PostMessageA(main, WM_COMMAND, id, 0);
    } else if (!GetUpdateRect(main, nullptr, FALSE)) {
      repaintedDuringTheWait = true;
    }
    if ((repaintedDuringTheWait && ticks > 10) || ticks > 500) SetEvent(release);
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
  SendMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
  KillTimer(nullptr, timer);
  CloseHandle(release);

  EXPECT_FALSE(enabledDuringTheWait);
  EXPECT_TRUE(repaintedDuringTheWait);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(std::vector<std::string>{"tool.exe /uninstall"}, launches.CommandLines);
  EXPECT_EQ(1u, helper.Launches().size());
  EXPECT_TRUE(Boxes.Texts().empty());
  EXPECT_TRUE(before == Registries());
}

}  // namespace
