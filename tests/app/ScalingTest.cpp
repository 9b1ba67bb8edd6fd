#include <windows.h>

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <process.h>
#include <sstream>

#include "support/AppSession.h"
#include "ui/ResourceIds.h"
#include "window/Dpi.h"  // WM_DPICHANGED

namespace {

using Measures = std::map<std::string, double>;

RECT InMainClient(const CWindow& window) {
  RECT rect = {};
  GetWindowRect(window.GetHandle(), &rect);
  MapWindowPoints(nullptr, MainWindow.GetHandle(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}
LONG HeightOf(const CWindow& window) { return InMainClient(window).bottom - InMainClient(window).top; }
LONG FontHeight(const CWindow& window) {
  LOGFONTA font = {};
  window.GetLogFont(&font);
  return std::abs(font.lfHeight);
}
LONG IconWidth(const CWindow& window) {
  ICONINFO info = {};
  BITMAP bitmap = {};
  GetIconInfo(reinterpret_cast<HICON>(SendMessageA(window.GetHandle(), STM_GETICON, 0, 0)), &info);
  GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
  DeleteObject(info.hbmColor), DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}
SIZE TextSize(HWND window, const std::string& text) {
  SIZE size = {};
  HDC context = GetDC(window);
  SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
  GetTextExtentPoint32A(context, text.c_str(), static_cast<int>(text.size()), &size);
  ReleaseDC(window, context);
  return size;
}

// The pane and both buttons in view, and the texts of the labels, buttons and headers whole.
void ExpectInViewAndUnclipped() {
  RECT client = {}, overlap = {};
  GetClientRect(MainWindow.GetHandle(), &client);
  const RECT list = InMainClient(ProgramList), bar = InMainClient(StatusBar), search = InMainClient(SearchEdit);
  for (const CWindow* window : std::initializer_list<const CWindow*>{&DetailsPanel, &RemoveButton, &RepairButton}) {
    const RECT place = InMainClient(*window);
    EXPECT_TRUE(IsWindowVisible(window->GetHandle()) && place.left >= 0 && place.right <= client.right &&
                place.top < place.bottom && place.bottom <= bar.top && place.left < place.right)
        << "seen, inside the client area, above the status bar: " << (window->Text.empty() ? "pane" : window->Text);
    EXPECT_FALSE(IntersectRect(&overlap, &place, &list) || IntersectRect(&overlap, &place, &search)) << window->Text;
  }
  for (CWindow* window : std::initializer_list<CWindow*>{&SizeLabel, &LastUsedLabel, &UsedLabel, &PublisherLabel,
                                                         &VersionLabel, &SearchLabel, &RemoveButton, &RepairButton}) {
    RECT box = {};
    GetClientRect(window->GetHandle(), &box);
    const SIZE text = TextSize(window->GetHandle(), window->GetText());
    EXPECT_TRUE(text.cx > 0 && text.cx <= box.right && text.cy <= box.bottom) << window->GetText();
  }
  const HWND header = ProgramList.GetHeader();
  for (int column = 0; column < Header_GetItemCount(header); ++column) {
    char text[64] = {};
    HDITEMA item = {};
    item.mask = HDI_TEXT, item.pszText = text, item.cchTextMax = sizeof text;
    RECT place = {};
    Header_GetItem(header, column, &item);
    Header_GetItemRect(header, column, &place);
    EXPECT_LE(TextSize(header, text).cx + 2 * Header_GetBitmapMargin(header), place.right - place.left) << text;
  }
}

Measures Measure() {
  RECT client = {}, row = {};
  GetClientRect(MainWindow.GetHandle(), &client);
  ListView_GetItemRect(ProgramList.GetHandle(), 0, &row, LVIR_BOUNDS);
  int small = 0, unused = 0;
  ImageList_GetIconSize(ListView_GetImageList(ProgramList.GetHandle(), LVSIL_SMALL), &small, &unused);
  return {{"client width", client.right},
          {"client height", client.bottom},
          {"pane height", HeightOf(DetailsPanel)},
          {"Remove width", InMainClient(RemoveButton).right - InMainClient(RemoveButton).left},
          {"button height", HeightOf(RemoveButton)},
          {"search height", HeightOf(SearchEdit)},
          {"row height", row.bottom - row.top},
          {"font height", FontHeight(SearchEdit)},
          {"title font height", FontHeight(DetailsTitle)},
          {"small icon", small},
          {"pane icon", IconWidth(DetailsIcon)}};
}

// The window with every column shown, in view and unclipped: its measures.
struct ScaledStart : AppTest {
  static Measures ShowEveryFact() {  // of the pane, for a Windows Installer product
    RegistrySandbox::Register(
        HKEY_LOCAL_MACHINE, "{A1}",
        {"DisplayName=Alpha", "UninstallString=MsiExec /X{A1}", "Publisher=Acme Software Corporation",
         "DisplayVersion=1.5", "WindowsInstaller=#1", "InstallDate=20240228"});
    RegistrySandbox::WriteUsage(HKEY_LOCAL_MACHINE, "{A1}", UsageRecord(3 << 20, 11, FileTimeOf(2024, 2, 29)));
    StartUp();
    for (WPARAM column : {IDM_COLUMN_FREQUENCY, IDM_COLUMN_LAST_USED, IDM_COLUMN_INSTALLED_ON}) Command(column);
    ExpectInViewAndUnclipped();
    return Measure();
  }
};
using ScaledStartChild = ScaledStart;

// Started by ScaledStart at 144 DPI: the window measures 1.5 times what QUILLMERE_MEASURES holds.
TEST_F(ScaledStartChild, MeasuresOneAndAHalfTimesWhatItMeasuredAt96) {
  const Measures at144 = ShowEveryFact();
  ASSERT_TRUE(std::getenv("QUILLMERE_MEASURES")) << "the measures at 96 DPI";
  std::istringstream at96(std::getenv("QUILLMERE_MEASURES"));
  for (std::string name, value; std::getline(at96, name, '=') && std::getline(at96, value, ';');)
    EXPECT_NEAR(std::stod(value) * 1.5, at144.at(name), 1.0) << name << " started at 144 DPI";
}

// Sets the DPI of Wine's user for the program that it starts: one test at a time, in the tests' prefix only.
TEST_F(ScaledStart,
       AWindowStartedOrMovedTo144DpiMeasuresOneAndAHalfTimesItsSizesAt96AndThePaneCommandGivesTheListItsRoom) {
  ASSERT_TRUE(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) << "it changes the user's DPI";
  const Measures at96 = ShowEveryFact();
  EXPECT_EQ(104, at96.at("pane height"));
  const LONG list = HeightOf(ProgramList);
  for (bool shown : {false, true}) {
    Command(IDM_VIEW_DETAILS_PANE);
    EXPECT_EQ(shown, !!IsWindowVisible(DetailsPanel.GetHandle()));
    EXPECT_EQ(shown ? list : list + 104 + 6, HeightOf(ProgramList)) << "the list with the pane shown: " << shown;
  }
  std::string measures;
  for (const auto& [name, value] : at96) measures += name + "=" + std::to_string(value) + ";";
  SetEnvironmentVariableA("QUILLMERE_MEASURES", measures.c_str());
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  const auto setDpi = [](const char* dpi) {  // outside the sandbox, by a program of the system
    _spawnlp(_P_WAIT, "reg.exe", "reg.exe", "add", "\"HKCU\\Control Panel\\Desktop\"", "/v", "LogPixels", "/t",
             "REG_DWORD", "/d", dpi, "/f", nullptr);
  };
  setDpi("144");
  EXPECT_EQ(0, _spawnl(_P_WAIT, program, program, "--gtest_filter=ScaledStartChild.*", nullptr)) << "started at 144";
  setDpi("96");
  RECT suggested = {20, 30, 1100, 760}, taken = {};
  SendMessageA(MainWindow.GetHandle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  PumpMessages();
  GetWindowRect(MainWindow.GetHandle(), &taken);
  EXPECT_TRUE(EqualRect(&suggested, &taken)) << "the window takes the suggested rectangle";
  ExpectInViewAndUnclipped();
  for (const auto& [name, value] : Measure())
    if (name.rfind("client", 0) != 0) {
      EXPECT_NEAR(at96.at(name) * 1.5, value, 1.0) << name << " moved to 144 DPI";
    }
  for (WPARAM column : {IDM_COLUMN_FREQUENCY, IDM_COLUMN_LAST_USED, IDM_COLUMN_INSTALLED_ON}) Command(column);
  SetWindowPos(MainWindow.GetHandle(), nullptr, 0, 0, 200, 300, SWP_NOMOVE | SWP_NOZORDER);
  Command(IDM_VIEW_DETAILS);  // autosized in a list too narrow for its columns: the last one keeps its cells whole
  const HWND programs = ProgramList.GetHandle();
  char company[64] = {};
  ListView_GetItemText(programs, 0, 2, company, sizeof company);
  EXPECT_LT(ListView_GetStringWidth(programs, company), ListView_GetColumnWidth(programs, 2)) << "the last column";
}

}  // namespace
