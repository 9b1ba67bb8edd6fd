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

// The main window can be built only once per process (its window class registers once).
bool AloneInThisProcess() {
  return !MainWindow.GetHandle() && ::testing::UnitTest::GetInstance()->test_to_run_count() == 1;
}

int ItemCount() { return static_cast<int>(SendMessageA(ProgramList.GetHandle(), LVM_GETITEMCOUNT, 0, 0)); }

// Which window start-up gives the focus to, and how many items the list holds by then. (The
// focus itself can be taken by another process's window that becomes active meanwhile.)
using SetFocusFunction = HWND(WINAPI*)(HWND);
ApiHook* SetFocusHook = nullptr;
std::vector<std::pair<HWND, int>> FocusRequests;

HWND WINAPI RecordSetFocus(HWND window) {
  FocusRequests.push_back({window, ItemCount()});
  return SetFocusHook->Original<SetFocusFunction>()(window);
}

// Runs from the message loop: notes the status bar's text, then closes the main window.
std::string StatusInTheLoop;
VOID CALLBACK ObserveAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  StatusInTheLoop = WindowText(StatusBar.GetHandle());
  PostMessageA(MainWindow.GetHandle(), WM_CLOSE, 0, 0);
}

TEST(ApplicationTest, ARunScansFocusesTheListAndReturnsOneAfterTheMainWindowIsClosed) {
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

  EXPECT_EQ("2 applications", StatusInTheLoop);
  EXPECT_EQ((std::vector<std::pair<HWND, int>>{{ProgramList.GetHandle(), 2}}), FocusRequests);
  EXPECT_EQ(GetModuleHandleA(nullptr), AppInstance);
  EXPECT_EQ(1, AppSettings.SortAscending);
  EXPECT_FALSE(IsWindow(MainWindow.GetHandle()));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(ApplicationTest, ReturnsMinusOneAfterAnErrorBoxWhenTheMainWindowCannotBeCreated) {
  if (!AloneInThisProcess()) GTEST_SKIP() << "run this test in a process of its own";
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

  EXPECT_EQ(-1, RunApplication(instance));

  ASSERT_EQ(1u, boxes.Boxes().size());
  const CaughtMessageBox& box = boxes.Boxes()[0];
  EXPECT_EQ("Couldn't create the main window", box.Text);
  EXPECT_EQ("Quillmere", box.Caption);
  EXPECT_EQ(nullptr, box.Owner);
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), box.Style);
  EXPECT_TRUE(ProgramInventory.empty()) << "no scan after a failed start";
  UnregisterClassA(MainWindow.ClassName.c_str(), instance);
}

}  // namespace
