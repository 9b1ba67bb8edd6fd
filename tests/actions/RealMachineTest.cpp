// Real machines: names in every script (UTF-8 is the ANSI code page; the controls are read back as
// UTF-16), and the focus, context menus and typing from the keyboard and the mouse.
#include <gtest/gtest.h>

#include "actions/ResourceIds.h"
#include "actions/Scan.h"
#include "support/AppSession.h"

namespace {

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
  RegistrySandbox::WriteUsage(HKEY_LOCAL_MACHINE, "表計算", UsageRecord(0, 1, {0, 0}, path));
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
  for (const auto& [search, listed] : searches) {
    SetWindowTextW(SearchEdit.GetHandle(), search);  // as typed
    RequestScan();
    EXPECT_EQ(listed, ListTitles());
  }
  Select(2);
  Boxes.Answers.push_back(IDYES);
  Command(IDM_REMOVE_ENTRY);
  Texts kept = titles;  // only that key is gone, "?????????" is still there
  kept.erase(kept.begin() + 2);
  EXPECT_EQ(kept, ListTitles());
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

TEST_F(RealInputTest, TheFocusComesBackToTheListMenusOpenWhereAskedAndTypingInTheSearchBoxFiltersTheList) {
  Register(HKEY_CURRENT_USER, "w", "Text Writer Pro");
  for (const char* name : {"a", "b"}) Register(HKEY_CURRENT_USER, name, name);
  StartUp();
  ApiHook hook("USER32.dll", "TrackPopupMenuEx", &RecordMenuPosition);
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
