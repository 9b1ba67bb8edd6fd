#include <gtest/gtest.h>

#include "app/Application.h"
#include "support/AppSession.h"
#include "ui/Scan.h"

namespace {

using StartUpTest = RegistryTest;

// Each child's place in its parent's client area, for the main window's client area.
void ExpectLayout() {
  RECT client = {}, bar = {};
  GetClientRect(MainWindow.GetHandle(), &client);
  GetWindowRect(StatusBar.GetHandle(), &bar);
  const LONG w = client.right, h = client.bottom, b = h - (bar.bottom - bar.top);
  const std::pair<CWindow*, std::vector<LONG>> places[] = {{&StatusBar, {0, b, w, h}},
                                                           {&ProgramList, {0, 0, w, b - 145}},
                                                           {&DetailsPanel, {6, b - 139, w - 6, b - 35}},
                                                           {&SearchEdit, {55, b - 28, 355, b - 6}},
                                                           {&RepairButton, {w - 168, b - 28, w - 93, b - 5}},
                                                           {&PublisherValue, {270, 48, w - 18, 64}}};
  for (const auto& [window, place] : places) {
    RECT rect = {};
    GetWindowRect(window->GetHandle(), &rect);
    MapWindowPoints(nullptr, GetParent(window->GetHandle()), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(place, (std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom})) << window->GetText();
  }
}

// The window that start-up gives the focus to, and the items of the list by then. The main window's
// place and the layout of its children for two client sizes are checked there, then it is closed.
ApiHook* SetFocusHook = nullptr;
std::vector<std::pair<HWND, int>> Focused;
HWND WINAPI CheckWindowAndClose(HWND window) {
  Focused.push_back({window, ListView_GetItemCount(ProgramList.GetHandle())});
  RECT frame = {};
  GetWindowRect(MainWindow.GetHandle(), &frame);
  EXPECT_EQ((std::vector<LONG>{10, 10, 790, 510}),
            (std::vector<LONG>{frame.left, frame.top, frame.right, frame.bottom}));
  ExpectLayout();
  RECT client = {0, 0, 600, 400};
  AdjustWindowRectEx(&client, WS_OVERLAPPEDWINDOW, TRUE, 0);
  SetWindowPos(MainWindow.GetHandle(), nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
               SWP_NOMOVE | SWP_NOZORDER);
  ExpectLayout();
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
  const std::pair<const char*, const char*> strings[] = {{"FileVersion", QUILLMERE_PROJECT_VERSION},
                                                         {"ProductVersion", QUILLMERE_PROJECT_VERSION},
                                                         {"OriginalFilename", QUILLMERE_PROGRAM_FILE}};
  for (const auto& [name, expected] : strings) {
    char* value = nullptr;
    UINT length = 0;
    const std::string key = "\\StringFileInfo\\040904e4\\" + std::string(name);
    ASSERT_TRUE(VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) << name;
    EXPECT_EQ(std::string(expected), value) << name;
  }
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
