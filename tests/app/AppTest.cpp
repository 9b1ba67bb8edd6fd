#include <gtest/gtest.h>

#include "app/Application.h"
#include "support/AppSession.h"
#include "ui/Scan.h"

namespace {

using StartUpTest = RegistryTest;

// The window that start-up gives the focus to, and the items of the list by then. The main window's
// place is checked there, then it is closed.
ApiHook* SetFocusHook = nullptr;
std::vector<std::pair<HWND, int>> Focused;
HWND WINAPI CheckWindowAndClose(HWND window) {
  Focused.push_back({window, ListView_GetItemCount(ProgramList.GetHandle())});
  RECT frame = {};
  GetWindowRect(MainWindow.GetHandle(), &frame);
  EXPECT_EQ((std::vector<LONG>{10, 10, 790, 510}),
            (std::vector<LONG>{frame.left, frame.top, frame.right, frame.bottom}));
  PostMessageA(MainWindow.GetHandle(), WM_CLOSE, 0, 0);
  return SetFocusHook->Original<decltype(CheckWindowAndClose)>()(window);
}

TEST_F(StartUpTest, ARunScansFocusesTheListOfAWindowAt10By10With780By500AndReturnsOneAfterTheWindowIsClosed) {
  RegistrySandbox::Register(HKEY_LOCAL_MACHINE, "a", {"DisplayName=Alpha", "UninstallString=u"});
  ApiHook focus("USER32.dll", "SetFocus", &CheckWindowAndClose);
  SetFocusHook = &focus;
  EXPECT_EQ(1, RunApplication(GetModuleHandleA(nullptr)));
  EXPECT_EQ((std::vector<std::pair<HWND, int>>{{ProgramList.GetHandle(), 1}}), Focused);
  EXPECT_EQ(Texts{}, Boxes.Boxes);
}

TEST_F(StartUpTest, AMainWindowThatCannotBeCreatedIsReportedAndTheRunReturnsMinusOneWithoutScanning) {
  RegistrySandbox::Register(HKEY_LOCAL_MACHINE, "a", {"DisplayName=Alpha", "UninstallString=u"});
  WNDCLASSEXA taken = {};  // the main window's class name, taken by another class
  taken.cbSize = sizeof taken;
  taken.lpfnWndProc = DefWindowProcA;
  taken.hInstance = GetModuleHandleA(nullptr);
  taken.lpszClassName = MainWindow.ClassName.c_str();
  ASSERT_NE(0, RegisterClassExA(&taken));
  EXPECT_EQ(-1, RunApplication(taken.hInstance));
  EXPECT_EQ(Texts{MessageBoxCatcher::Describe("Couldn't create the main window", "Quillmere", MB_ICONERROR, "")},
            Boxes.Boxes);
  EXPECT_TRUE(ProgramInventory.empty()) << "no scan after a failed start";
}

// The project's version (project() in CMakeLists.txt) in the version resource of the program built
// beside the tests.
TEST(VersionTest, TheBuiltProgramsVersionResourceShowsTheProjectsVersion) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string tests = path, program = tests.substr(0, tests.find_last_of('\\')) + "\\..\\" QUILLMERE_PROGRAM_FILE;
  std::vector<char> info(GetFileVersionInfoSizeA(program.c_str(), nullptr));
  ASSERT_TRUE(!info.empty() && GetFileVersionInfoA(program.c_str(), 0, info.size(), info.data())) << program;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
  const auto dotted = [](DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) +
           "." + std::to_string(LOWORD(low));
  };
  EXPECT_EQ(QUILLMERE_PROJECT_VERSION ".0", dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS)) << "file version";
  EXPECT_EQ(QUILLMERE_PROJECT_VERSION ".0", dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS))
      << "product version";
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
