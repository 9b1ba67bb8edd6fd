#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "actions/ActionTesting.h"
#include "actions/Export.h"
#include "actions/ExportFormat.h"
#include "actions/ResourceIds.h"
#include "support/MainLoop.h"
#include "support/TestData.h"

namespace {

namespace fs = std::filesystem;

const std::string Header =
    "Application,Size,Size in bytes,Company,Frequency of use,Date last used,Installed on,Version,Key name,Root,"
    "Registry view,Uninstall command,Quiet uninstall command,Windows Installer\r\n";

TEST(ExportFormatTest, FieldsAreGuardedAgainstFormulasThenQuotedDatesAreIsoAndFileNamesHoldNoForbiddenCharacter) {
  const TableRow hostile = {"Acme, Inc.", "A \"B\"", "2\r\nlines", "=1+1", "+A1",  "-2+3", "@SUM(A1)", "\tTab",
                            "\rCR",       "-",       "-1.",        "-12",  "+3.5", "",     "x"};
  EXPECT_EQ(
      "\"Acme, Inc.\",\"A "
      "\"\"B\"\"\",\"2\r\nlines\",'=1+1,'+A1,'-2+3,'@SUM(A1),'\tTab,\"'\rCR\",'-,'-1.,-12,+3.5,,x\r\n",
      SeparatedLine(hostile, ','));
  EXPECT_EQ("\"Ελληνικά, Русский\",\"日本語 \"\"版\"\" עברית\"\r\n",
            SeparatedLine({"Ελληνικά, Русский", "日本語 \"版\" עברית"}, ','));
  std::string dates;
  for (const FILETIME& time : {FileTimeOf(1601, 1, 1, 23), FileTimeOf(1900, 2, 28), FileTimeOf(1900, 3, 1),
                               FileTimeOf(2000, 2, 29, 23, 59), FileTimeOf(9999, 12, 31), FileTimeOf(10000, 1, 1)})
    dates += IsoDate(time.dwLowDateTime, time.dwHighDateTime) + " ";
  EXPECT_EQ("1601-01-01 1900-02-28 1900-03-01 2000-02-29 9999-12-31  ", dates + IsoDate(0, 0));
  EXPECT_EQ("Programs on PC_1_2_3_4_5_6_7_8_9_ 2026-03-04.csv",
            DefaultExportName("PC\\1/2:3*4?5\"6<7>8|9\t", "2026-03-04"));
}

std::string Content(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// The UTF-8 text in the ANSI code page, or empty when that code page cannot hold it.
std::string InAnsi(const char* utf8) {
  wchar_t wide[256] = {}, back[256] = {};
  char ansi[512] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 256);
  WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr);
  MultiByteToWideChar(CP_ACP, 0, ansi, -1, back, 256);
  return std::wstring(back) == wide ? ansi : "";
}

std::string ClipboardText() {
  char text[4096] = {};
  if (HANDLE data = OpenClipboard(nullptr) ? GetClipboardData(CF_UNICODETEXT) : nullptr)
    WideCharToMultiByte(CP_UTF8, 0, static_cast<const wchar_t*>(GlobalLock(data)), -1, text, sizeof text, 0, 0);
  CloseClipboard();
  return text;
}

// Ctrl+C as the program's own message loop gets it: past the accelerators, to window.
void PressCtrlC(const CWindow& window) {
  BYTE keys[256] = {};
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageA(window.GetHandle(), WM_KEYDOWN, 'C', 0);
}

std::string Reason(DWORD error) {
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 512, nullptr);
  return std::string(text, std::strcspn(text, "\r\n"));
}

using ExportTest = AppTest;

TEST_F(ExportTest, TheRowsThatTheListShowsGoInItsOrderWholeOrNotAtAllToAFileAndOneToTheClipboard) {
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "{A1}",
                                   {{"DisplayName", "=Alpha \"Pro\""},
                                    {"UninstallString", "MsiExec /X{A1}"},
                                    {"QuietUninstallString", "q /S"},
                                    {"Publisher", "+Acme"},
                                    {"DisplayVersion", "-1.5"},
                                    {"InstallDate", "20240228"}});
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("{A1}"), "WindowsInstaller", 1);
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "{A1}", UsageOf(3 << 20, 11, FileTimeOf(2024, 2, 29)));
  Register(HKEY_CURRENT_USER, "c", "Charlie");  // left out by the search
  // By name, descending; names in other scripts where the ANSI code page holds them.
  const std::pair<const char*, const char*> names[] = {{"Ελληνικά Русский 日本語 Tool", "Ελληνικά Русский 日本語 Tool"},
                                                       {"Crème Brûlée Tool", "Crème Brûlée Tool"},
                                                       {"@Bravo\r\nTwo", "\"'@Bravo\r\nTwo\""}};
  std::string expected = "\xEF\xBB\xBF" + Header;
  for (const auto& name : names) {
    const std::string ansi = InAnsi(name.first), key = "k" + std::to_string(&name - names);
    if (ansi.empty()) continue;
    Register(HKEY_CURRENT_USER, key, ansi);
    expected += name.second + (",,,,,,,," + key) + ",HKEY_CURRENT_USER,,uninstall.exe,,No\r\n";
  }
  const std::string last =
      "\"'=Alpha \"\"Pro\"\"\",3 MB,3145728,'+Acme,frequently (11),2024-02-29,2024-02-28,-1.5,{A1},"
      "HKEY_LOCAL_MACHINE,,MsiExec /X{A1},q /S,Yes\r\n";
  SearchEdit.SetText("o");
  StartUp();
  Command(IDM_SORT_DESCENDING);
  const fs::path folder = fs::temp_directory_path() / ("quillmere-export-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(folder);
  const fs::path file = folder / "list.csv", nowhere = folder / "gone" / "list.csv";
  std::ofstream(file) << "an older list";
  HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  for (const auto& failure : {std::make_pair(file, ERROR_ACCESS_DENIED), std::make_pair(nowhere, ERROR_DIRECTORY)}) {
    Boxes.Clear();
    EXPECT_FALSE(ExportListTo(failure.first.wstring()));
    const std::string text = "Couldn't export the list to \"" + failure.first.string() + "\":\n\n";
    EXPECT_EQ(Texts{text + Reason(failure.second)}, Boxes.Texts());
  }
  CloseHandle(held);
  EXPECT_EQ("an older list", Content(file));
  EXPECT_EQ(1, std::distance(fs::directory_iterator(folder), {})) << "no temporary file is left";
  EXPECT_TRUE(ExportListTo(file.wstring()));
  EXPECT_EQ(expected + last, Content(file));
  // Ctrl+C copies the selected row in the list, and the selected text in the search box.
  Select(static_cast<int>(ListTitles().size()) - 1);
  std::string copied = Header + last;
  std::replace(copied.begin(), copied.end(), ',', '\t');
  PressCtrlC(ProgramList);
  EXPECT_TRUE(RunMainLoopUntil([&] { return ClipboardText() == copied; }));
  SendMessageA(SearchEdit.GetHandle(), EM_SETSEL, 0, -1);
  PressCtrlC(SearchEdit);
  EXPECT_TRUE(RunMainLoopUntil([] { return ClipboardText() == "o"; }));
  Command(IDM_COPY);  // as both menus give it
  EXPECT_EQ(copied, ClipboardText());
  Deselect();
  Boxes.Clear();
  EXPECT_TRUE(GetMenuState(MainWindow.GetMenu(), IDM_COPY, MF_BYCOMMAND) & MF_GRAYED);
  PressCtrlC(ProgramList);
  EXPECT_TRUE(RunMainLoopUntil([&] { return Boxes.Texts() == Texts{"Please select a program"}; }));
  fs::remove_all(folder);
}

}  // namespace
