#include "app/Application.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/Settings.h"
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

}  // namespace
