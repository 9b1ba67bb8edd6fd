#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <tuple>
#include <utility>

#include "actions/Export.h"
#include "actions/ExportFormat.h"
#include "actions/ResourceIds.h"
#include "actions/Settings.h"
#include "inventory/DateFormatting.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/RegistryCalls.h"

namespace {

using Ids = std::vector<UINT>;
using CommandsTest = AppTest;
namespace fs = std::filesystem;

// The search timer on a clock of the test's: SetTimer and KillTimer of the program are replaced,
// and AdvanceClock delivers WM_TIMER at each due time that it passes.
DWORD Now = 0, Due = 0, Period = 0;  // Period 0: no timer
UINT_PTR WINAPI FakeSetTimer(HWND, UINT_PTR, UINT period, TIMERPROC) { return Period = period, Due = Now + period, 1; }
BOOL WINAPI FakeKillTimer(HWND, UINT_PTR) { return std::exchange(Period, 0) != 0; }
void AdvanceClock(DWORD ms) {
  for (const DWORD end = Now + ms; Now < end;)
    if (++Now == Due && Period) Due += Period, SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
}

TEST_F(CommandsTest, FiveEditsOfTheSearchText100MsApartScanOnceHalfASecondAfterTheLast) {
  Register(HKEY_CURRENT_USER, "w", "Text Writer Pro");
  Register(HKEY_LOCAL_MACHINE, "p", "Paint Shop");
  StartUp();
  ApiHook setTimer("USER32.dll", "SetTimer", reinterpret_cast<void*>(FakeSetTimer));
  ApiHook killTimer("USER32.dll", "KillTimer", reinterpret_cast<void*>(FakeKillTimer));
  RegistryCalls calls;
  for (size_t length = 1; length <= 5; ++length) {
    SearchEdit.SetText(std::string("write", length));  // the edit control tells its parent: EN_CHANGE
    PumpMessages();
    AdvanceClock(length < 5 ? 100 : 499);
  }
  EXPECT_EQ(0, calls.OpensOf(UninstallPath));
  AdvanceClock(1);
  EXPECT_EQ(Texts{"Text Writer Pro"}, ListTitles());
  AdvanceClock(5000);
  EXPECT_EQ(2, calls.OpensOf(UninstallPath)) << "one scan: the timer stops at its first run";
}

// The ids of items of menu that have the state bit.
Ids WithState(HMENU menu, Ids ids, UINT bit) {
  const auto lacks = [&](UINT id) {
    return GetMenuState(menu, id, 0) == UINT(-1) || !(GetMenuState(menu, id, 0) & bit);
  };
  ids.erase(std::remove_if(ids.begin(), ids.end(), lacks), ids.end());
  return ids;
}
const Ids Commands{IDM_UNINSTALL,           IDM_MODIFY,         IDM_REMOVE_ENTRY, IDM_COPY,
                   IDM_COLUMN_PROGRAM_NAME, IDM_COLUMN_COMPANY, IDM_COLUMN_SIZE,  IDM_COLUMN_FREQUENCY,
                   IDM_COLUMN_LAST_USED};
// The grayed and the checked items of the popup menu that the list opens for a right-click on window.
std::pair<Ids, Ids> Popup;
BOOL WINAPI RecordPopup(HMENU menu, UINT, int, int, HWND, LPTPMPARAMS) {
  return Popup = {WithState(menu, Commands, MF_GRAYED), WithState(menu, Commands, MF_CHECKED)}, FALSE;
}
std::pair<Ids, Ids> ContextMenu(HWND window) {
  SendMessageA(ProgramList.GetHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(100, 200));
  return std::exchange(Popup, {});
}

// The pane's icon control as on Windows, where it holds any icon (Wine's refuses monochrome icons
// such as the blank icon); and the icons that the program destroys.
WNDPROC StaticProc = nullptr;
HICON Held = nullptr;
LRESULT CALLBACK HoldAnyIcon(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == STM_SETICON) return reinterpret_cast<LRESULT>(std::exchange(Held, reinterpret_cast<HICON>(wParam)));
  if (message == STM_GETICON) return reinterpret_cast<LRESULT>(Held);
  return CallWindowProcA(StaticProc, window, message, wParam, lParam);
}
std::vector<HICON> Destroyed;
ApiHook* DestroyHook = nullptr;
BOOL WINAPI RecordDestroy(HICON icon) {
  return Destroyed.push_back(icon), DestroyHook->Original<decltype(&RecordDestroy)>()(icon);
}

TEST_F(CommandsTest, TheCommandsTheRepairButtonAndTheDetailsWithTheirIconFollowTheSelection) {
  RegistrySandbox::Register(
      HKEY_LOCAL_MACHINE, "{6A3C}",
      {"DisplayName=Installer", "UninstallString=u", "Publisher=Acme", "DisplayVersion=2.5", "WindowsInstaller=#1"});
  const FILETIME used = FileTimeOf(2024, 3, 15), rare = FileTimeOf(2022, 11, 30);
  // Usage data without a program size: the estimated size stands in; an unknown use count is not shown.
  RegistrySandbox::Register(HKEY_CURRENT_USER, "q",
                            {"DisplayName=Quiet", "QuietUninstallString=q", "EstimatedSize=#5242880"});
  RegistrySandbox::Write(HKEY_CURRENT_USER, ArpCachePath + std::string("q"), "SlowInfoCache", REG_BINARY,
                         UsageRecord(0, 7, used));
  Register(HKEY_CURRENT_USER, "rare", "Rare");
  RegistrySandbox::Write(HKEY_CURRENT_USER, ArpCachePath + std::string("rare"), "SlowInfoCache", REG_BINARY,
                         UsageRecord(4096, -1, rare));
  StaticProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(DetailsIcon.GetHandle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HoldAnyIcon)));
  ApiHook popup("USER32.dll", "TrackPopupMenuEx", reinterpret_cast<void*>(RecordPopup));
  ApiHook destroy("USER32.dll", "DestroyIcon", reinterpret_cast<void*>(RecordDestroy));
  DestroyHook = &destroy;
  const HICON blank = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_BLANK));
  StartUp();  // selects the first item
  // The grayed commands, then the title and each fact's label and value.
  const std::tuple<int, Ids, Texts> cases[] = {
      {1,
       {IDM_UNINSTALL, IDM_MODIFY},
       {"Quiet", "Estimated size:", "5 GB", "Last used on:", FormatDate(used), "Used:", "occasionally (7)", "", "", "",
        ""}},
      {0, {}, {"Installer", "", "", "", "", "", "", "Publisher:", "Acme", "Version:", "2.5"}},
      {2, {IDM_MODIFY}, {"Rare", "Estimated size:", "4 KB", "Last used on:", FormatDate(rare), "", "", "", "", "", ""}},
      {-1, {IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY, IDM_COPY}, Texts(11)}};
  for (const auto& [item, grayed, pane] : cases) {
    const HICON shown = Held;
    Select(item);
    EXPECT_EQ(grayed, WithState(MainWindow.GetMenu(), Commands, MF_GRAYED)) << item;
    EXPECT_EQ((std::pair<Ids, Ids>{grayed, {}}), ContextMenu(ProgramList.GetHandle()));
    EXPECT_EQ(item == 0, !!IsWindowVisible(RepairButton.GetHandle()));
    Texts texts;
    for (const CWindow* w : std::initializer_list<const CWindow*>{
             &DetailsTitle, &SizeLabel, &SizeValue, &LastUsedLabel, &LastUsedValue, &UsedLabel, &UsedValue,
             &PublisherLabel, &PublisherValue, &VersionLabel, &VersionValue})
      texts.push_back(WindowText(w->GetHandle()));
    EXPECT_EQ(pane, texts);
    EXPECT_EQ(shown != blank, std::count(Destroyed.begin(), Destroyed.end(), shown) == 1) << "the icon replaced";
  }
  EXPECT_EQ(blank, Held);
  EXPECT_EQ(0, std::count(Destroyed.begin(), Destroyed.end(), blank)) << "the blank icon is shared";
  EXPECT_EQ(
      (std::pair<Ids, Ids>{{IDM_COLUMN_PROGRAM_NAME}, {IDM_COLUMN_PROGRAM_NAME, IDM_COLUMN_COMPANY, IDM_COLUMN_SIZE}}),
      ContextMenu(ProgramList.GetHeader()));
}

// A key as the program's own message loop gets it from the keyboard: past its accelerators.
void PressKey(WORD key, bool control, const CWindow& window = ProgramList) {
  BYTE keys[256] = {};
  keys[VK_CONTROL] = control ? 0x80 : 0;
  SetKeyboardState(keys);
  PostMessageA(window.GetHandle(), WM_KEYDOWN, key, 0);
}
TEST(ExportFormatTest, FieldsAreGuardedAgainstFormulasThenQuotedAndDatesAreIso) {
  const TableRow hostile = {"Acme, Inc.", "A \"B\"", "2\r\nlines", "=1+1", "+A1",  "-2+3", "@SUM(A1)",        "\tTab",
                            "\rCR",       "-",       "-1.",        "-12",  "+3.5", "",     "Ελληνικά, 日本語"};
  EXPECT_EQ(
      "\"Acme, Inc.\",\"A \"\"B\"\"\",\"2\r\nlines\",'=1+1,'+A1,'-2+3,'@SUM(A1),'\tTab,\"'\rCR\",'-,'-1.,-12,+3.5,,"
      "\"Ελληνικά, 日本語\"\r\n",
      SeparatedLine(hostile, ','));
  std::string dates;
  for (const FILETIME& time :
       {FileTimeOf(1601, 1, 1, 23), FileTimeOf(1900, 2, 28), FileTimeOf(1900, 3, 1), FileTimeOf(2000, 2, 29, 23),
        FileTimeOf(9999, 12, 31), FileTimeOf(10000, 1, 1), FILETIME{0, 0}})
    dates += IsoDate(time.dwLowDateTime, time.dwHighDateTime) + " ";
  EXPECT_EQ("1601-01-01 1900-02-28 1900-03-01 2000-02-29 9999-12-31   ", dates);
  EXPECT_EQ("Programs on PC_1_2_3_4_5_6_7_8_9_ 2026-03-04.csv",
            DefaultExportName("PC\\1/2:3*4?5\"6<7>8|9\t", "2026-03-04"));
}

std::string Content(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}
std::string ClipboardText() {
  char text[4096] = {};
  if (HANDLE data = OpenClipboard(nullptr) ? GetClipboardData(CF_UNICODETEXT) : nullptr)
    WideCharToMultiByte(CP_UTF8, 0, static_cast<const wchar_t*>(GlobalLock(data)), -1, text, sizeof text, 0, 0);
  CloseClipboard();
  return text;
}
std::string Reason(DWORD error) {
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 512, nullptr);
  return std::string(text, std::strcspn(text, "\r\n"));
}

TEST_F(CommandsTest, TheRowsThatTheListShowsGoInItsOrderWholeOrNotAtAllToAFileAndOneToTheClipboard) {
  RegistrySandbox::Register(
      HKEY_LOCAL_MACHINE, "{A1}",
      {"DisplayName==Alpha \"Pro\"", "UninstallString=MsiExec /X{A1}", "QuietUninstallString=q /S", "Publisher=+Acme",
       "DisplayVersion=-1.5", "WindowsInstaller=#1", "InstallDate=20240228"});
  RegistrySandbox::Write(HKEY_LOCAL_MACHINE, ArpCachePath + std::string("{A1}"), "SlowInfoCache", REG_BINARY,
                         UsageRecord(3 << 20, 11, FileTimeOf(2024, 2, 29)));
  Register(HKEY_CURRENT_USER, "c", "Charlie");  // left out by the search
  Register(HKEY_CURRENT_USER, "b", "Bravo");
  SearchEdit.SetText("o");
  StartUp();
  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_SORT_DESCENDING, 0);
  const std::string header =
                        "Application,Size,Size in bytes,Company,Frequency of use,Date last used,Installed on,Version,"
                        "Key name,Root,Registry view,Uninstall command,Quiet uninstall command,Windows Installer\r\n",
                    bravo = "Bravo,,,,,,,,b,HKEY_CURRENT_USER,,uninstall.exe,,No\r\n",
                    alpha =
                        "\"'=Alpha \"\"Pro\"\"\",3 MB,3145728,'+Acme,frequently (11),2024-02-29,2024-02-28,-1.5,{A1},"
                        "HKEY_LOCAL_MACHINE," +
                        std::string(sizeof(void*) == 8 ? "32-bit" : "") +  // a 64-bit process reads that view first
                        ",MsiExec /X{A1},q /S,Yes\r\n";
  const fs::path folder = fs::temp_directory_path() / ("quillmere-export-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(folder);
  const fs::path file = folder / "list.csv";
  std::ofstream(file) << "an older list";
  HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  for (const auto& [path, error] :
       {std::make_pair(file, ERROR_ACCESS_DENIED), std::make_pair(folder / "gone" / "x.csv", ERROR_DIRECTORY)}) {
    EXPECT_FALSE(ExportListTo(path.wstring()));
    EXPECT_EQ(MessageBoxCatcher::Describe("Couldn't export the list to \"" + path.string() + "\":\n\n" + Reason(error),
                                          "Quillmere", MB_ICONERROR, "main"),
              Boxes.Boxes.back());
  }
  CloseHandle(held);
  EXPECT_EQ("an older list", Content(file));
  EXPECT_EQ(1, std::distance(fs::directory_iterator(folder), {})) << "no temporary file is left";
  EXPECT_TRUE(ExportListTo(file.wstring()));
  EXPECT_EQ("\xEF\xBB\xBF" + header + bravo + alpha, Content(file));
  fs::remove_all(folder);
  // Ctrl+C copies the selected row in the list, and the selected text in the search box.
  Select(1);
  std::string copied = header + alpha;
  std::replace(copied.begin(), copied.end(), ',', '\t');
  PressKey('C', true);
  EXPECT_TRUE(RunMainLoopUntil([&] { return ClipboardText() == copied; }));
  SendMessageA(SearchEdit.GetHandle(), EM_SETSEL, 0, -1);
  PressKey('C', true, SearchEdit);
  EXPECT_TRUE(RunMainLoopUntil([] { return ClipboardText() == "o"; }));
  Select(-1);
  PressKey('C', true);
  EXPECT_TRUE(RunMainLoopUntil([this] { return Boxes.Texts().back() == "Please select a program"; }));
}

TEST_F(RealInputTest, TypingInTheSearchBoxFiltersTheList) {
  Register(HKEY_CURRENT_USER, "w", "Text Writer Pro");
  Register(HKEY_CURRENT_USER, "p", "Paint Shop");
  StartUp();
  SetForegroundWindow(MainWindow.GetHandle());
  RECT box;
  GetWindowRect(SearchEdit.GetHandle(), &box);
  const std::string at = std::to_string((box.left + box.right) / 2) + " " + std::to_string((box.top + box.bottom) / 2);
  ASSERT_GT(
      WinExec(("/usr/bin/xdotool mousemove " + at + " click 1 sleep 0.2 type --delay 100 writer").c_str(), SW_HIDE),
      31u);
  EXPECT_TRUE(RunMainLoopUntil(
      [] { return SearchEdit.GetText() == "writer" && ListTitles() == Texts{"Text Writer Pro"}; }, 15000));
}

}  // namespace
