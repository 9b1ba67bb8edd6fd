#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "actions/Settings.h"
#include "actions/WindowObjects.h"
#include "app/Application.h"
#include "inventory/ProgramEntry.h"
#include "support/ApiHook.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistrySandbox.h"

namespace {

// Notes which window start-up gives the focus to and how many items the list holds by then,
// then closes the main window.
ApiHook* SetFocusHook = nullptr;
std::vector<std::pair<HWND, LRESULT>> FocusRequests;
HWND WINAPI RecordSetFocusAndClose(HWND window) {
  FocusRequests.push_back({window, SendMessageA(ProgramList.GetHandle(), LVM_GETITEMCOUNT, 0, 0)});
  PostMessageA(MainWindow.GetHandle(), WM_CLOSE, 0, 0);
  return SetFocusHook->Original<decltype(&RecordSetFocusAndClose)>()(window);
}

TEST(ApplicationTest, ARunScansFocusesTheListAndReturnsOneAfterTheMainWindowIsClosed) {
  // The main window can be built only once per process (its window class registers once).
  if (::testing::UnitTest::GetInstance()->test_to_run_count() != 1) GTEST_SKIP() << "run this test alone";
  RegistrySandbox registry;
  MessageBoxCatcher boxes;
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "a", {{"DisplayName", "Alpha"}, {"UninstallString", "u"}});
  AppSettings.SortAscending = 0;  // start-up begins from the defaults whatever was there
  ApiHook focus("USER32.dll", "SetFocus", reinterpret_cast<void*>(RecordSetFocusAndClose));
  SetFocusHook = &focus;

  EXPECT_EQ(1, RunApplication(GetModuleHandleA(nullptr)));
  EXPECT_EQ((std::vector<std::pair<HWND, LRESULT>>{{ProgramList.GetHandle(), 1}}), FocusRequests);
  EXPECT_EQ(1, AppSettings.SortAscending);
  EXPECT_FALSE(IsWindow(MainWindow.GetHandle()));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(ApplicationTest, AMainWindowThatCannotBeCreatedIsReportedAndTheRunReturnsMinusOneWithoutScanning) {
  RegistrySandbox registry;
  MessageBoxCatcher boxes;
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "a", {{"DisplayName", "Alpha"}, {"UninstallString", "u"}});
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA taken = {};  // the main window's class name, taken by another class
  taken.cbSize = sizeof taken;
  taken.lpfnWndProc = DefWindowProcA;
  taken.hInstance = instance;
  taken.lpszClassName = MainWindow.ClassName.c_str();
  ASSERT_NE(0, RegisterClassExA(&taken));

  EXPECT_EQ(-1, RunApplication(instance));
  ASSERT_EQ(1u, boxes.Boxes().size());
  const CaughtMessageBox& box = boxes.Boxes()[0];
  EXPECT_EQ((std::vector<std::string>{"Couldn't create the main window", "Quillmere"}),
            (std::vector<std::string>{box.Text, box.Caption}));
  EXPECT_EQ(nullptr, box.Owner);
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), box.Style);
  EXPECT_TRUE(ProgramInventory.empty()) << "no scan after a failed start";
  UnregisterClassA(MainWindow.ClassName.c_str(), instance);
}

}  // namespace
