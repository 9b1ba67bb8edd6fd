#include <gtest/gtest.h>

#include "app/Application.h"
#include "support/AppSession.h"
#include "ui/Scan.h"

namespace {

using StartUpTest = RegistryTest;

// The window that start-up gives the focus to, and the items of the list by then. The main window's
// place is checked there, then it is closed.
std::vector<std::pair<HWND, int>> Focused;
HWND WINAPI CheckWindowAndClose(HWND window) {
  Focused.push_back({window, ListView_GetItemCount(ProgramList.GetHandle())});
  RECT frame = {};
  GetWindowRect(MainWindow.GetHandle(), &frame);
  EXPECT_EQ((std::vector<LONG>{10, 10, 790, 510}),
            (std::vector<LONG>{frame.left, frame.top, frame.right, frame.bottom}));
  PostMessageA(MainWindow.GetHandle(), WM_CLOSE, 0, 0);
  return ApiHook::Original(&CheckWindowAndClose)(window);
}

TEST_F(StartUpTest, ARunScansFocusesTheListOfAWindowAt10By10With780By500AndReturnsOneAfterTheWindowIsClosed) {
  RegistrySandbox::Register(HKEY_LOCAL_MACHINE, "a", {"DisplayName=Alpha", "UninstallString=u"});
  ApiHook focus("USER32.dll", "SetFocus", &CheckWindowAndClose);
  EXPECT_EQ(1, RunApplication(GetModuleHandleA(nullptr)));
  EXPECT_EQ((std::vector<std::pair<HWND, int>>{{ProgramList.GetHandle(), 1}}), Focused);
  EXPECT_EQ(Texts{}, Boxes.Boxes);
}

// The first scan starts reading before the window exists, with the search box empty: a window that
// scans for another text by then lists what that text finds.
TEST_F(AppTest, AFirstScanStartedEarlyServesOnlyTheSearchItWasStartedFor) {
  Register(HKEY_LOCAL_MACHINE, "a", "Alpha");
  Register(HKEY_LOCAL_MACHINE, "b", "Beta");
  StartFirstScan();
  SearchEdit.SetText("bet");
  StartUp();
  EXPECT_EQ(Texts{"Beta"}, ListTitles());
}

}  // namespace
