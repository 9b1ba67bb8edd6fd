// Real machines: names in every script (UTF-8 is the ANSI code page; the controls are read back as
// UTF-16), registry calls that fail, install dates, context menus and the focus from the keyboard.
#include <gtest/gtest.h>

#include "actions/ResourceIds.h"
#include "actions/Scan.h"
#include "actions/Settings.h"
#include "inventory/InventoryScan.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"

namespace {

void Command(WPARAM id) { SendMessageA(MainWindow.GetHandle(), WM_COMMAND, id, 0); }

std::string Shown(HWND control, int item = -1, int column = 0) {
  wchar_t text[1024] = {};
  LVITEMW cell = {};
  cell.iSubItem = column;
  cell.pszText = text;
  cell.cchTextMax = 1024;
  if (item < 0) GetWindowTextW(control, text, 1024);
  if (item >= 0) SendMessageW(control, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&cell));
  char utf8[4096] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

using RealMachineTest = AppTest;

TEST_F(RealMachineTest, NamesInEveryScriptAreListedSearchedSortedShownAndRemovedExactly) {
  std::string longValue = "A";  // a value name of over 16 KB in UTF-8, enumerated first
  for (int i = 0; i < 6000; ++i) longValue += "漢";
  const std::string longKey = longValue.substr(1, 765);  // the longest key name
  // Key names and titles, sorted. "?????????" is how "Ελληνικός" reads in a code page without Greek.
  const Texts titles = {"?????????", "Crème Brûlée", "Ελληνικός", "Текстовый редактор",
                        longKey,     "表計算",       "𝄞 Notation"};
  const Texts publishers = {"", "Société Générale", "Αθηνά ΑΕ", "Ромашка", "", "株式会社山田", "Musik 🎵"};
  RegistrySandbox::Write(HKEY_LOCAL_MACHINE, UninstallPath + std::string("表計算"), longValue, REG_SZ, "x");
  for (size_t i = 0; i < titles.size(); ++i)
    RegistrySandbox::Register(HKEY_LOCAL_MACHINE, titles[i],
                              {"DisplayName=" + titles[i], "Publisher=" + publishers[i], "UninstallString=u"});
  const std::wstring path = L"C:\\" + std::wstring(240, L'漢') + L"\\𝄞.exe";  // 250 of the record's 262 units
  RegistrySandbox::Write(HKEY_LOCAL_MACHINE, ArpCachePath + std::string("表計算"), "SlowInfoCache", REG_BINARY,
                         UsageRecord(0, 1, {0, 0}, path));
  StartUp();

  Texts expected, shown;
  for (int item = 0; item < 7; ++item) {
    Select(item);
    expected.push_back(titles[item] + "|" + publishers[item] + "|" + titles[item] + "|" + publishers[item]);
    shown.push_back(Shown(ProgramList.GetHandle(), item) + "|" + Shown(ProgramList.GetHandle(), item, 2) + "|" +
                    Shown(DetailsTitle.GetHandle()) + "|" + Shown(PublisherValue.GetHandle()));
  }
  EXPECT_EQ(expected, shown) << "the rows of the list, sorted by name, and the details pane";
  Select(5);
  EXPECT_EQ("C:\\" + longKey.substr(0, 720) + "\\𝄞.exe", GetSelectedEntry()->ProgramPath);
  const std::pair<const wchar_t*, Texts> searches[] = {
      {L"редактор", {"Текстовый редактор"}}, {L"РЕДАКТОР", {}}, {L"𝄞", {"𝄞 Notation"}}, {L"", titles}};
  for (const auto& search : searches) {
    SetWindowTextW(SearchEdit.GetHandle(), search.first);  // as typed
    RequestScan();
    EXPECT_EQ(search.second, ListTitles());
  }
  Select(2);
  Boxes.Answers.push_back(IDYES);
  Command(IDM_REMOVE_ENTRY);
  Texts kept = titles;  // only that key is gone, "?????????" is still there
  kept.erase(kept.begin() + 2);
  EXPECT_EQ(kept, ListTitles());
}

ApiHook *Enumerate = nullptr, *Hooked = nullptr, *Clock = nullptr;
DWORD FailingIndex = 100;  // the index that RegEnumKeyExA fails (none at first); MAXDWORD: every index
std::string FailingOpen;   // the key name that RegOpenKeyExA fails to open, once

LONG WINAPI FailIndex(HKEY key, DWORD index, LPSTR name, LPDWORD length, LPDWORD reserved, LPSTR className,
                      LPDWORD classLength, PFILETIME written) {
  if (index == FailingIndex || FailingIndex == MAXDWORD) return ERROR_MORE_DATA;
  return Enumerate->Original<decltype(&FailIndex)>()(key, index, name, length, reserved, className, classLength,
                                                     written);
}

LONG WINAPI FailOpenOnce(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
  if (path && path == FailingOpen) return FailingOpen.clear(), ERROR_ACCESS_DENIED;
  return Hooked->Original<decltype(&FailOpenOnce)>()(root, path, options, access, key);
}

// Over an hour ahead: every key is old enough for the scan to keep what it read of it.
void WINAPI ClockAhead(LPFILETIME time) {
  Clock->Original<decltype(&ClockAhead)>()(time);
  time->dwHighDateTime += 10;
}

std::string Scanned(const char* search) {
  std::string titles;
  for (const auto& entry : ScanInventory(search, false)) titles += Title(entry) + ",";
  return titles;
}

TEST_F(RealMachineTest, AFailingIndexCostsNoOtherKeyAndAKeyThatCouldNotBeReadIsReadAgainThoughUnchanged) {
  for (const char* name : {"Flaky", "Late", "Other"}) Register(HKEY_LOCAL_MACHINE, name, name + std::string(" Tool"));
  ApiHook enumerate("ADVAPI32.dll", "RegEnumKeyExA", reinterpret_cast<void*>(FailIndex)),
      open("ADVAPI32.dll", "RegOpenKeyExA", reinterpret_cast<void*>(FailOpenOnce)),
      clock("KERNEL32.dll", "GetSystemTimeAsFileTime", reinterpret_cast<void*>(ClockAhead));
  Enumerate = &enumerate, Hooked = &open, Clock = &clock;
  const char* const scans[][3] = {{"other", "Flaky", "Other Tool,"},       // Late is read up to its names
                                  {"", "Late", "Flaky Tool,Other Tool,"},  // the rest of Late is not
                                  {"", "", "Flaky Tool,Late Tool,Other Tool,"}};
  for (const auto& scan : scans) {
    FailingOpen = scan[1];
    EXPECT_EQ(scan[2], Scanned(scan[0])) << scan[1];
  }
  FailingIndex = 1;
  EXPECT_EQ("Flaky Tool,Other Tool,", Scanned(""));
  FailingIndex = MAXDWORD;
  EXPECT_EQ("", Scanned("")) << "the walk ends even when every index fails";
}

// A user whose short date format is long and not Latin: 23 bytes in UTF-8.
int WINAPI LongShortDate(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCSTR, LPSTR text, int size) {
  return Hooked->Original<decltype(&LongShortDate)>()(locale, flags & ~DATE_SHORTDATE, date,
                                                      "'西暦'yyyy'年'MM'月'dd'日'", text, size);
}

TEST_F(RealMachineTest, InstallDatesOfRealDaysShowInTheUsersShortFormatAndSortByDayUndatedFirst) {
  ApiHook hook("KERNEL32.dll", "GetDateFormatA", reinterpret_cast<void*>(LongShortDate));
  Hooked = &hook;
  // In the order of the titles "d" + value.
  const Texts values = {"", "16001231", "16010101", "19000229", "20000229", "20240315", "20241301", "2024315"};
  const Texts cells = {"", "", "西暦1601年01月01日", "", "西暦2000年02月29日", "西暦2024年03月15日", "", ""};
  for (const std::string& value : values)
    RegistrySandbox::Register(HKEY_LOCAL_MACHINE, "d" + value,
                              {"DisplayName=d" + value, "UninstallString=u", "InstallDate=" + value});
  AppSettings.ShowFrequencyColumn = AppSettings.ShowLastUsedColumn = 1;  // "Installed on" then comes sixth
  StartUp();
  Command(IDM_COLUMN_INSTALLED_ON);

  EXPECT_EQ("Installed on", ColumnHeaders().at(5));
  for (int item = 0; item < 8; ++item)
    EXPECT_EQ("d" + values[item] + "|" + cells[item], CellText(item, 0) + "|" + CellText(item, 5));
  AppSettings.SortColumn = 5;
  Command(IDM_SORT_ASCENDING);
  const Texts sorted = ListTitles();
  EXPECT_EQ((Texts{"d16010101", "d20000229", "d20240315"}), Texts(sorted.begin() + 5, sorted.end()));
}

std::vector<LONG> MenuPosition;
BOOL WINAPI RecordMenuPosition(HMENU, UINT, int x, int y, HWND, LPTPMPARAMS) {
  MenuPosition = {x, y};
  return FALSE;
}

// The arrow keys are extended keys; without the flag they are those of the numeric keypad.
void Press(WORD key) {
  for (DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}})
    keybd_event(BYTE(key), BYTE(MapVirtualKeyA(key, 0)), KEYEVENTF_EXTENDEDKEY | up, 0);
}

bool ListFocused() { return GetFocus() == ProgramList.GetHandle(); }

TEST_F(RealInputTest, BoxesGiveTheFocusBackToTheListAndKeyboardMenusOpenAtTheSelectionPositionsKeepTheirSign) {
  for (const char* name : {"a", "b", "c"}) Register(HKEY_CURRENT_USER, name, name);
  StartUp();
  ApiHook hook("USER32.dll", "TrackPopupMenuEx", reinterpret_cast<void*>(RecordMenuPosition));
  HWND list = ProgramList.GetHandle();
  const auto menuAt = [list](LPARAM position) {
    SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), position);
    return MenuPosition;
  };
  ASSERT_TRUE(RunMainLoopUntil([] { return SetForegroundWindow(MainWindow.GetHandle()) && ListFocused(); }));
  Command(IDM_ABOUT);
  EXPECT_TRUE(RunMainLoopUntil(ListFocused, 3000)) << "after the About box";
  Press(VK_DOWN);
  EXPECT_TRUE(RunMainLoopUntil([] { return SelectedIndex() == 1; }, 3000));
  RECT row = {LVIR_BOUNDS, 0, 0, 0};
  POINT corner = {0, 0};
  SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&row), 2);
  ClientToScreen(list, &corner);
  const std::vector<LONG> keyboard = menuAt(-1);  // Shift+F10 or the menu key
  EXPECT_TRUE(PtInRect(&row, {keyboard[0], keyboard[1]}));
  Select(-1);
  EXPECT_EQ((std::vector<LONG>{corner.x, corner.y}), menuAt(-1));
  EXPECT_EQ((std::vector<LONG>{-40, -30}), menuAt(MAKELPARAM(-40, -30))) << "a monitor left of and above the main one";
}

}  // namespace
