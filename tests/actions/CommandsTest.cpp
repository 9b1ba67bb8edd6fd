#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

#include "actions/ActionTesting.h"
#include "actions/Details.h"
#include "actions/ResourceIds.h"
#include "actions/Settings.h"
#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "support/ApiHook.h"
#include "support/LaunchInterceptor.h"
#include "support/MainLoop.h"
#include "support/TestData.h"

namespace {

using Ids = std::vector<UINT>;

Ids WithState(HMENU menu, Ids ids, UINT bit) {
  const auto without = [&](UINT id) { return !(GetMenuState(menu, id, MF_BYCOMMAND) & bit); };
  ids.erase(std::remove_if(ids.begin(), ids.end(), without), ids.end());
  return ids;
}

using CommandsTest = AppTest;

// The search timer on a clock of the test's own: the program's SetTimer and KillTimer are
// replaced, and AdvanceClock delivers WM_TIMER at each due time that it passes.
DWORD Now = 0, Due = 0, Period = 0;  // Period 0: no timer
UINT_PTR WINAPI FakeSetTimer(HWND, UINT_PTR, UINT period, TIMERPROC) {
  Period = period;
  Due = Now + period;
  return 1;
}
BOOL WINAPI FakeKillTimer(HWND, UINT_PTR) { return std::exchange(Period, 0) != 0; }
void AdvanceClock(DWORD ms) {
  for (const DWORD end = Now + ms; Now < end;)
    if (++Now == Due && Period) {
      Due += Period;
      SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
    }
}

TEST_F(CommandsTest, FiveEditsOfTheSearchText100MsApartScanOnceHalfASecondAfterTheLast) {
  Register(HKEY_CURRENT_USER, "w", "Text Writer Pro");
  Register(HKEY_CURRENT_USER, "p", "Paint Shop");
  Register(HKEY_LOCAL_MACHINE, "r", "Writer's Reader");
  StartUp();
  ApiHook setTimer("USER32.dll", "SetTimer", reinterpret_cast<void*>(FakeSetTimer));
  ApiHook killTimer("USER32.dll", "KillTimer", reinterpret_cast<void*>(FakeKillTimer));
  ASSERT_TRUE(setTimer.Installed() && killTimer.Installed());
  RegistryCalls calls;
  for (size_t length = 1; length <= 5; ++length) {
    SearchEdit.SetText(std::string("write", length));  // the edit control tells its parent: EN_CHANGE
    PumpMessages();
    AdvanceClock(length < 5 ? 100 : 499);
  }
  EXPECT_EQ(0, Scans(calls));
  AdvanceClock(1);
  EXPECT_EQ(1, Scans(calls));
  EXPECT_EQ((Texts{"Text Writer Pro", "Writer's Reader"}), ListTitles());
  AdvanceClock(5000);
  EXPECT_EQ(1, Scans(calls)) << "the timer is stopped by its first run";
}

TEST_F(CommandsTest, OnlyShowSystemComponentsRescansAndTheMenuMarksFollowEachCommand) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "a",
                                   {{"DisplayName", "alpha"}, {"UninstallString", "u"}, {"Publisher", "Acme"}});
  Register(HKEY_LOCAL_MACHINE, "b", "Beta");
  Register(HKEY_CURRENT_USER, "KB123456", "Security Update");
  StartUp();
  Register(HKEY_CURRENT_USER, "c", "Gamma");  // changes that only a scan sees
  RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey("b"));

  const Texts scanned{"alpha", "Beta"}, rescanned{"alpha", "Gamma"}, reversed{"Beta", "alpha"};
  const Texts narrow{"Application"}, wide{"Application", "Company", "Frequency of use", "Date last used"};
  const UINT details = IDM_VIEW_DETAILS, up = IDM_SORT_ASCENDING, system = IDM_SHOW_SYSTEM_COMPONENTS;
  const struct {
    UINT Id;
    int Scans;
    Texts Headers, Titles;
    Ids Marks;
  } steps[] = {
      {IDM_COLUMN_COMPANY, 0, {"Application", "Size"}, scanned, {details, up}},
      {IDM_COLUMN_SIZE, 0, narrow, scanned, {details, up}},
      {IDM_COLUMN_FREQUENCY, 0, {"Application", "Frequency of use"}, scanned, {details, up}},
      {IDM_COLUMN_LAST_USED, 0, {"Application", "Frequency of use", "Date last used"}, scanned, {details, up}},
      {IDM_COLUMN_COMPANY, 0, wide, scanned, {details, up}},
      {IDM_COLUMN_PROGRAM_NAME, 0, wide, scanned, {details, up}},
      {IDM_VIEW_LIST, 0, wide, scanned, {IDM_VIEW_LIST, up}},
      {IDM_SORT_DESCENDING, 0, wide, reversed, {IDM_VIEW_LIST, IDM_SORT_DESCENDING}},
      {IDM_VIEW_DETAILS, 0, wide, reversed, {details, IDM_SORT_DESCENDING}},
      {IDM_SORT_ASCENDING, 0, wide, scanned, {details, up}},
      {system, 1, wide, {"alpha", "Gamma", "Security Update"}, {details, up, system}},
      {system, 1, wide, rescanned, {details, up}},
  };
  const Ids checkable{IDM_VIEW_ICONS, IDM_VIEW_LIST, details, up, IDM_SORT_DESCENDING, system};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Id);
    RegistryCalls calls;
    Command(step.Id);
    EXPECT_EQ(step.Scans, step.Scans ? Scans(calls) : calls.Total());
    EXPECT_EQ(step.Headers, ColumnHeaders());
    EXPECT_EQ(step.Titles, ListTitles());
    EXPECT_EQ(step.Marks, WithState(MainWindow.GetMenu(), checkable, MF_CHECKED));
  }
  EXPECT_EQ("Acme", CellText(0, 1));
}

const Ids ProgramCommands{IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY};

// The grayed commands of the popup that a right-click on the list opens; it is closed at once.
Ids GrayedInContextMenu() {
  Ids grayed{0};                            // no popup
  MessageSpy spy(ProgramList.GetHandle());  // the owner of the popup
  spy.WhileArriving([&](const SpiedMessage& message) {
    if (message.Message != WM_INITMENUPOPUP) return;
    grayed = WithState(reinterpret_cast<HMENU>(message.WParam), ProgramCommands, MF_GRAYED);
    PostMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
  });
  SendMessageA(ProgramList.GetHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ProgramList.GetHandle()),
               MAKELPARAM(100, 200));  // on the list's items
  PumpMessages();
  return grayed;
}

std::string Text(const CWindow& control) { return WindowText(control.GetHandle()); }

// The details pane's texts in reading order: title, then label and value of each row.
Texts PaneTexts() {
  return {Text(DetailsTitle),   Text(SizeLabel),    Text(SizeValue),   Text(LastUsedLabel),
          Text(LastUsedValue),  Text(UsedLabel),    Text(UsedValue),   Text(PublisherLabel),
          Text(PublisherValue), Text(VersionLabel), Text(VersionValue)};
}

TEST_F(CommandsTest, TheProgramCommandsTheRepairButtonAndTheDetailsFollowTheSelection) {
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "{6A3C}",
                                   {{"DisplayName", "Installer Product"},
                                    {"UninstallString", "u"},
                                    {"Publisher", "Acme"},
                                    {"DisplayVersion", "2.5"}});
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"), "WindowsInstaller", 1);
  // Usage data without a program size: the estimated size stands in.
  const FILETIME used = FileTimeOf(2024, 3, 15), rare = FileTimeOf(2022, 11, 30);
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "q",
                                   {{"DisplayName", "Only Quiet"}, {"QuietUninstallString", "q"}});
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("q"), "EstimatedSize", 2048);
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "q", UsageOf(0, 7, used));
  // An unknown use count; the program size wins over the estimated size.
  Register(HKEY_CURRENT_USER, "rare", "Rare Program");
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("rare"), "EstimatedSize", 3);
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "rare", UsageOf(4096, -1, rare));
  // No name at all: the key name is the title; 5 GiB estimated.
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "{KEY-ONLY}", {{"UninstallString", "u"}});
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("{KEY-ONLY}"), "EstimatedSize", 5u * 1024 * 1024);
  StartUp();
  ASSERT_EQ((Texts{"Installer Product", "Only Quiet", "Rare Program", "{KEY-ONLY}"}), ListTitles());

  // Item -1: none selected; an empty Pane: not checked.
  const struct {
    int Item;
    Ids Grayed;
    bool Repair;
    Texts Pane;
  } cases[] = {
      {0, {}, true, {"Installer Product", "", "", "", "", "", "", "Publisher:", "Acme", "Version:", "2.5"}},
      {1,
       {IDM_UNINSTALL, IDM_MODIFY},
       false,
       {"Only Quiet", "Estimated size:", "2 MB", "Last used on:", FormatDate(used), "Used:", FormatUseCount(7), "", "",
        "", ""}},
      {2,
       {IDM_MODIFY},
       false,
       {"Rare Program", "Estimated size:", FormatSize(4096), "Last used on:", FormatDate(rare), "", "", "", "", "",
        ""}},
      {3,
       {IDM_MODIFY},
       false,
       {"{KEY-ONLY}", "Estimated size:", FormatSize(5ull << 30), "", "", "", "", "", "", "", ""}},
      {-1, ProgramCommands, false, {}},
  };
  for (const auto& selection : cases) {
    SCOPED_TRACE(selection.Item);
    selection.Item < 0 ? Deselect() : Select(selection.Item);  // the first one is selected by the start-up scan
    EXPECT_EQ(selection.Grayed, GrayedInContextMenu());
    EXPECT_EQ(selection.Grayed, WithState(MainWindow.GetMenu(), ProgramCommands, MF_GRAYED));
    EXPECT_EQ(selection.Repair, IsWindowVisible(RepairButton.GetHandle()) != FALSE);
    EXPECT_EQ(selection.Pane, selection.Pane.empty() ? Texts{} : PaneTexts());
  }
  EXPECT_EQ(CellText(3, 1), FormatSize(5ull << 30)) << "the size in the list";
}

std::vector<HICON> Destroyed;
BOOL(WINAPI* RealDestroyIcon)(HICON) = nullptr;
BOOL WINAPI RecordDestroyIcon(HICON icon) { return Destroyed.push_back(icon), RealDestroyIcon(icon); }
bool WasDestroyed(HICON icon) { return std::find(Destroyed.begin(), Destroyed.end(), icon) != Destroyed.end(); }

// The pane's icon control as on Windows, where it holds any icon; Wine's refuses monochrome icons
// such as the blank icon, which would then never be replaced.
WNDPROC StaticProc = nullptr;
HICON Held = nullptr;
LRESULT CALLBACK HoldAnyIcon(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == STM_SETICON) return reinterpret_cast<LRESULT>(std::exchange(Held, reinterpret_cast<HICON>(wParam)));
  if (message == STM_GETICON) return reinterpret_cast<LRESULT>(Held);
  return CallWindowProcA(StaticProc, window, message, wParam, lParam);
}

TEST_F(CommandsTest, ReplacedDetailsIconsAreDestroyedButNeverTheSharedBlankIcon) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  Register(HKEY_CURRENT_USER, "b", "Beta");
  StaticProc = reinterpret_cast<WNDPROC>(
      SetWindowLongA(DetailsIcon.GetHandle(), GWL_WNDPROC, reinterpret_cast<LONG>(HoldAnyIcon)));
  ApiHook hook("USER32.dll", "DestroyIcon", reinterpret_cast<void*>(RecordDestroyIcon));
  ASSERT_TRUE(hook.Installed());
  RealDestroyIcon = hook.Original<BOOL(WINAPI*)(HICON)>();
  const HICON blank = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_BLANK));

  StartUp();  // the blank icon, then the first program's
  const HICON first = Held;
  ASSERT_NE(blank, first);
  Select(1);
  const HICON second = Held;
  ASSERT_NE(first, second);
  EXPECT_TRUE(WasDestroyed(first));
  EXPECT_FALSE(WasDestroyed(second));
  ClearDetails();
  ClearDetails();
  EXPECT_TRUE(WasDestroyed(second));
  EXPECT_EQ(blank, Held);
  Select(0);
  EXPECT_FALSE(WasDestroyed(blank));
}

// xdotool plays real input on the X display (at screen coordinates) while the program runs its loop.
bool Xdotool(const std::string& arguments) { return WinExec(("/usr/bin/xdotool " + arguments).c_str(), SW_HIDE) > 31; }

std::string At(LONG x, LONG y) { return std::to_string(x) + " " + std::to_string(y); }
std::string AtCenterOf(const RECT& rect) { return At((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2); }

void PressKey(WORD key, bool control) {
  const auto send = [](WORD k, DWORD flags) { keybd_event(BYTE(k), BYTE(MapVirtualKeyA(k, 0)), flags, 0); };
  if (control) send(VK_CONTROL, 0);
  for (DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) send(key, flags);
  if (control) send(VK_CONTROL, KEYEVENTF_KEYUP);
}

struct RealInputTest : AppTest {
  void SetUp() override {
    AppTest::SetUp();
    SetForegroundWindow(MainWindow.GetHandle());
    PumpMessages();
  }
};

TEST_F(RealInputTest, TypingInTheSearchBoxFiltersTheList) {
  Register(HKEY_CURRENT_USER, "w", "Text Writer Pro");
  Register(HKEY_CURRENT_USER, "p", "Paint Shop");
  Register(HKEY_LOCAL_MACHINE, "r", "Writer's Reader");
  StartUp();
  // The click gives the search box the focus; the X display's focus follows the pointer.
  RECT search;
  GetWindowRect(SearchEdit.GetHandle(), &search);
  ASSERT_TRUE(Xdotool("mousemove " + AtCenterOf(search) + " click 1 sleep 0.2 type --delay 100 writer"));
  const Texts found{"Text Writer Pro", "Writer's Reader"};
  EXPECT_TRUE(RunMainLoopUntil([&] { return SearchEdit.GetText() == "writer" && ListTitles() == found; }, 15000));
}

TEST_F(RealInputTest, RightClickOnTheColumnHeaderOpensTheColumnsMenuAndAChoiceTogglesTheColumn) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  AppSettings.ShowSizeColumn = 0;  // both shown as they are from the next population on
  AppSettings.ShowFrequencyColumn = 1;
  HMENU popup = nullptr;
  Texts items;  // each with its state
  MessageSpy spy(ProgramList.GetHandle());
  spy.WhileArriving([&](const SpiedMessage& message) {
    if (message.Message != WM_INITMENUPOPUP) return;
    popup = reinterpret_cast<HMENU>(message.WParam);
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[64] = {};
      GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
      const UINT state = GetMenuState(popup, i, MF_BYPOSITION);
      items.push_back(text + std::string(state & MF_GRAYED ? " grayed" : "") + (state & MF_CHECKED ? " checked" : ""));
    }
  });
  RECT header;
  GetWindowRect(ProgramList.GetHeader(), &header);
  ASSERT_TRUE(Xdotool("mousemove " + At(header.left + 20, (header.top + header.bottom) / 2) + " click 3"));
  // Once the menu shows (the loop's timer runs inside the menu's own loop then), "Company" is clicked.
  bool chosen = false;
  EXPECT_TRUE(RunMainLoopUntil(
      [&] {
        RECT item;
        if (!chosen && popup && IsWindowVisible(FindWindowA("#32768", nullptr)) &&
            GetMenuItemRect(ProgramList.GetHandle(), popup, 1, &item) && item.right > item.left)
          chosen = Xdotool("mousemove " + AtCenterOf(item) + " sleep 0.2 click 1");
        return AppSettings.ShowCompanyColumn == 0;
      },
      15000));
  const Texts states{"Program name grayed checked", "Company checked", "Size",
                     "Frequency of use checked",    "Date last used",  "Installed on"};
  EXPECT_EQ(states, items);
  EXPECT_EQ((Texts{"Application", "Frequency of use"}), ColumnHeaders());
}

// Pressed with the list focused; the program's own message loop turns them into commands.
TEST_F(RealInputTest, TheShortcutKeysRunTheirCommands) {
  Register(HKEY_LOCAL_MACHINE, "{6A3C}", "Installer Product", "MsiExec.exe /X{6A3C}");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"), "WindowsInstaller", 1);
  StartUp();                                 // selects the only program
  Register(HKEY_CURRENT_USER, "z", "Zulu");  // seen only by a rescan, listed after it
  LaunchInterceptor launches;                // every launch fails: nothing really runs
  const auto boxShown = [&](const char* caption, const std::string& start) {
    return !Boxes.Boxes().empty() && Boxes.Boxes()[0].Caption == caption && !Boxes.Boxes()[0].Text.rfind(start, 0);
  };
  const auto searchFocused = [] { return GetFocus() == SearchEdit.GetHandle(); };
  const struct {
    const char* Name;
    WORD Key;
    bool Control;
    std::function<bool()> Done;
  } keys[] = {
      {"F5", VK_F5, false,
       [] {
         return ListTitles() == Texts{"Installer Product", "Zulu"};
       }},
      {"F3", VK_F3, false, searchFocused},
      {"Ctrl+F", 'F', true, searchFocused},
      {"F1", VK_F1, false, [&] { return boxShown("About Quillmere...", "Quillmere 1.0\r\n\r\n"); }},
      {"Ctrl+E", 'E', true, [&] { return boxShown("Quillmere", "Are you sure you want to remove entry"); }},
      {"Ctrl+I", 'I', true, [&] { return launches.CommandLines == Texts{"msiexec /f {6A3C}"}; }},
      {"Ctrl+Execute", VK_EXECUTE, true, [&] { return launches.CommandLines == Texts{"MsiExec.exe /X{6A3C}"}; }},
  };
  for (const auto& key : keys) {
    Boxes.Clear();
    launches.CommandLines.clear();
    // A box's closing may leave another window in front for a moment; the keys go to the front window.
    ASSERT_TRUE(RunMainLoopUntil([] {
      SetForegroundWindow(MainWindow.GetHandle());
      ProgramList.SetFocus();
      return GetForegroundWindow() == MainWindow.GetHandle() && GetFocus() == ProgramList.GetHandle();
    }));
    PressKey(key.Key, key.Control);
    EXPECT_TRUE(RunMainLoopUntil([&] { return key.Done() && IsWindowEnabled(MainWindow.GetHandle()); }, 5000))
        << key.Name;
  }
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"))) << "Ctrl+E was answered No";
}

}  // namespace
