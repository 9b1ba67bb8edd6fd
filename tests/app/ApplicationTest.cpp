#include "app/Application.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "inventory/ProgramEntry.h"
#include "support/ApiHook.h"
#include "support/Gui.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistrySandbox.h"

namespace {

// The main window can be built only once per process (its window class registers once), and a
// closed one is gone for the tests that would follow in the same process.
bool AloneInThisProcess() { return ::testing::UnitTest::GetInstance()->test_to_run_count() == 1; }

int ItemCount() { return static_cast<int>(SendMessageA(ProgramList.GetHandle(), LVM_GETITEMCOUNT, 0, 0)); }

struct LoopObservation {
  bool Ran = false;
  int ItemCount = -1;
  std::string Status;
};
LoopObservation Observed;

// Which window start-up gives the focus to, and how many items the list holds by then. (The
// focus itself can be taken by another process's window that becomes active meanwhile.)
using SetFocusFunction = HWND(WINAPI*)(HWND);
ApiHook* SetFocusHook = nullptr;
std::vector<std::pair<HWND, int>> FocusRequests;

HWND WINAPI RecordSetFocus(HWND window) {
  FocusRequests.push_back({window, ItemCount()});
  return SetFocusHook->Original<SetFocusFunction>()(window);
}

// Runs from the message loop: notes what start-up left, then closes the main window.
VOID CALLBACK ObserveAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  Observed.Ran = true;
  Observed.ItemCount = ItemCount();
  Observed.Status = WindowText(StatusBar.GetHandle());
  PostMessageA(MainWindow.GetHandle(), WM_CLOSE, 0, 0);
}

TEST(ApplicationTest, ARunScansFocusesTheListAndReturnsOneAfterTheMainWindowIsClosed) {
  if (MainWindow.GetHandle()) GTEST_SKIP() << "the main window was already built in this process";
  if (!AloneInThisProcess()) GTEST_SKIP() << "run this test in a process of its own";
  RegistrySandbox registry;
  MessageBoxCatcher boxes;
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "a", {{"DisplayName", "Alpha"}, {"UninstallString", "u"}});
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "b", {{"DisplayName", "Beta"}, {"UninstallString", "u"}});
  AppSettings.SortAscending = 0;  // start-up begins from the defaults whatever was there
  ApiHook focus("USER32.dll", "SetFocus", reinterpret_cast<void*>(RecordSetFocus));
  ASSERT_TRUE(focus.Installed());
  SetFocusHook = &focus;
  ASSERT_NE(0u, SetTimer(nullptr, 0, 1, ObserveAndClose));

  EXPECT_EQ(1, RunApplication(GetModuleHandleA(nullptr)));

  EXPECT_TRUE(Observed.Ran);
  const std::vector<std::pair<HWND, int>> focusAfterTheScan = {{ProgramList.GetHandle(), 2}};
  EXPECT_EQ(focusAfterTheScan, FocusRequests);
  EXPECT_EQ(2, Observed.ItemCount);
  EXPECT_EQ("2 applications", Observed.Status);
  EXPECT_EQ(GetModuleHandleA(nullptr), AppInstance);
  EXPECT_EQ(1, AppSettings.SortAscending);
  EXPECT_FALSE(IsWindow(MainWindow.GetHandle()));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(ApplicationTest, ReturnsMinusOneAfterAnErrorBoxWhenTheMainWindowCannotBeCreated) {
  if (MainWindow.GetHandle()) GTEST_SKIP() << "the main window was already built in this process";
  RegistrySandbox registry;
  MessageBoxCatcher boxes;
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "a", {{"DisplayName", "Alpha"}, {"UninstallString", "u"}});
  // A class of the main window's name, already there, makes the main window's own registration fail.
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA taken = {};
  taken.cbSize = sizeof taken;
  taken.lpfnWndProc = DefWindowProcA;
  taken.hInstance = instance;
  taken.lpszClassName = MainWindow.ClassName.c_str();
  ASSERT_NE(0, RegisterClassExA(&taken));

  const int result = RunApplication(instance);
  UnregisterClassA(MainWindow.ClassName.c_str(), instance);

  EXPECT_EQ(-1, result);
  ASSERT_EQ(1u, boxes.Boxes().size());
  const CaughtMessageBox& box = boxes.Boxes()[0];
  EXPECT_EQ("Couldn't create the main window", box.Text);
  EXPECT_EQ("Quillmere", box.Caption);
  EXPECT_EQ(nullptr, box.Owner);
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), box.Style);
  EXPECT_EQ(nullptr, MainWindow.GetHandle());
  EXPECT_EQ(nullptr, ProgramList.GetHandle());
  EXPECT_TRUE(ProgramInventory.empty()) << "no scan after a failed start";
}

TEST(ApplicationTest, AMaximizedStartUsesTheDefaultPositionAndTheClassSize) {
  if (MainWindow.GetHandle()) GTEST_SKIP() << "the main window was already built in this process";
  if (!AloneInThisProcess()) GTEST_SKIP() << "run this test in a process of its own";
  RegistrySandbox registry;
  MessageBoxCatcher boxes;
  AppInstance = GetModuleHandleA(nullptr);
  ApplyDefaultSettings();
  AppSettings.Maximized = 1;
  AppSettings.WindowLeft = 300;
  AppSettings.WindowWidth = 300;

  ASSERT_TRUE(BuildMainWindow(AppInstance));
  PumpMessages();

  HWND main = MainWindow.GetHandle();
  EXPECT_TRUE(IsZoomed(main));
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  ASSERT_TRUE(GetWindowPlacement(main, &placement));
  EXPECT_EQ(544, placement.rcNormalPosition.right - placement.rcNormalPosition.left);
  EXPECT_EQ(375, placement.rcNormalPosition.bottom - placement.rcNormalPosition.top);
  EXPECT_NE(300, placement.rcNormalPosition.left);
  RECT client = {}, list = {};
  GetClientRect(main, &client);
  GetWindowRect(ProgramList.GetHandle(), &list);
  EXPECT_EQ(client.right, list.right - list.left) << "the list spans the maximized window";
  MainWindow.Destroy();
  TakeQuitMessage();
}

}  // namespace
