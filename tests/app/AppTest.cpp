#include <gtest/gtest.h>

#include "app/Application.h"
#include "support/AppSession.h"
#include "ui/Scan.h"

namespace {

using StartUpTest = RegistryTest;

// The window that start-up gives the focus to, with the list's items by then; then the window closes.
std::vector<std::pair<HWND, int>> Focused;
HWND WINAPI NoteFocusAndClose(HWND window) {
  Focused.push_back({window, ListView_GetItemCount(ProgramList.GetHandle())});
  PostMessageA(MainWindow.GetHandle(), WM_CLOSE, 0, 0);
  return ApiHook::Original(&NoteFocusAndClose)(window);
}

TEST_F(StartUpTest, ARunScansFocusesTheListAndReturnsOneAfterTheWindowIsClosed) {
  RegistrySandbox::Register(HKEY_LOCAL_MACHINE, "a", {"DisplayName=Alpha", "UninstallString=u"});
  ApiHook focus("USER32.dll", "SetFocus", &NoteFocusAndClose);
  EXPECT_EQ(1, RunApplication(GetModuleHandleA(nullptr)));
  EXPECT_EQ((std::vector<std::pair<HWND, int>>{{ProgramList.GetHandle(), 1}}), Focused);
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
