#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <utility>

#include "actions/Details.h"
#include "actions/Launch.h"
#include "app/MainWindow.h"
#include "app/Settings.h"
#include "app/resources/ResourceIds.h"
#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/LaunchInterceptor.h"
#include "support/MainLoop.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySnapshot.h"
#include "support/TestData.h"
#include "support/UninstallerScript.h"

namespace {

using Texts = std::vector<std::string>;
using Ids = std::vector<UINT>;
using Trigger = std::pair<const char*, std::function<void()>>;

const char* const ProductCode = "{6F1C2A3B-0D4E-4A5F-9B8C-7D6E5F4A3B2C}";

// Every scan opens the uninstall key of both roots once.
int Scans(const RegistryCalls& calls) { return calls.OpensOf(UninstallPath) / 2; }

void Command(WPARAM id) { SendMessageA(MainWindow.GetHandle(), WM_COMMAND, id, 0); }
void PressEnter() { SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0); }
void ClickButton(CButton& button) { SendMessageA(button.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); }

void DoubleClick(int item) {
  RECT rect = {LVIR_LABEL, 0, 0, 0};
  SendMessageA(ProgramList.GetHandle(), LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rect));
  SendMessageA(ProgramList.GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(rect.left + 5, rect.top + 2));
}

void Deselect() {
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  PumpMessages();
}

Ids WithState(HMENU menu, Ids ids, UINT bit) {
  const auto without = [&](UINT id) { return !(GetMenuState(menu, id, MF_BYCOMMAND) & bit); };
  ids.erase(std::remove_if(ids.begin(), ids.end(), without), ids.end());
  return ids;
}

using CommandsTest = AppTest;

// The search timer on a clock of the test's own: the program's SetTimer and KillTimer are
// replaced, and AdvanceClock delivers WM_TIMER at each due time that it passes.
DWORD Now = 0, Due = 0, Period = 0;  // Period 0: no timer
UINT_PTR WINAPI FakeSetTimer(HWND, UINT_PTR, UINT period, TIMERPROC) { return Due = Now + (Period = period), 1; }
BOOL WINAPI FakeKillTimer(HWND, UINT_PTR) { return std::exchange(Period, 0) != 0; }
void AdvanceClock(DWORD ms) {
  for (const DWORD end = Now + ms; Now < end;)
    if (++Now == Due && Period) Due += Period, SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
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
  const struct { UINT Id; int Scans; Texts Headers, Titles; Ids Marks; } steps[] = {
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
  Ids grayed{0};  // no popup
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
  return {Text(DetailsTitle), Text(SizeLabel), Text(SizeValue), Text(LastUsedLabel), Text(LastUsedValue), Text(UsedLabel),
          Text(UsedValue), Text(PublisherLabel), Text(PublisherValue), Text(VersionLabel), Text(VersionValue)};
}

TEST_F(CommandsTest, TheProgramCommandsTheRepairButtonAndTheDetailsFollowTheSelection) {
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "{6A3C}", {{"DisplayName", "Installer Product"},
                                   {"UninstallString", "u"}, {"Publisher", "Acme"}, {"DisplayVersion", "2.5"}});
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"), "WindowsInstaller", 1);
  // Usage data without a program size: the estimated size stands in.
  const FILETIME used = FileTimeOf(2024, 3, 15), rare = FileTimeOf(2022, 11, 30);
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "q", {{"DisplayName", "Only Quiet"}, {"QuietUninstallString", "q"}});
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
  const struct { int Item; Ids Grayed; bool Repair; Texts Pane; } cases[] = {
      {0, {}, true, {"Installer Product", "", "", "", "", "", "", "Publisher:", "Acme", "Version:", "2.5"}},
      {1, {IDM_UNINSTALL, IDM_MODIFY}, false, {"Only Quiet", "Estimated size:", "2 MB", "Last used on:",
                                               FormatDate(used), "Used:", FormatUseCount(7), "", "", "", ""}},
      {2, {IDM_MODIFY}, false, {"Rare Program", "Estimated size:", FormatSize(4096), "Last used on:",
                                FormatDate(rare), "", "", "", "", "", ""}},
      {3, {IDM_MODIFY}, false, {"{KEY-ONLY}", "Estimated size:", FormatSize(5ull << 30), "", "", "", "", "", "", "", ""}},
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
  void SetUp() override { AppTest::SetUp(), SetForegroundWindow(MainWindow.GetHandle()), PumpMessages(); }
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
  EXPECT_TRUE(RunMainLoopUntil([&] {
    RECT item;
    if (!chosen && popup && IsWindowVisible(FindWindowA("#32768", nullptr)) &&
        GetMenuItemRect(ProgramList.GetHandle(), popup, 1, &item) && item.right > item.left)
      chosen = Xdotool("mousemove " + AtCenterOf(item) + " sleep 0.2 click 1");
    return AppSettings.ShowCompanyColumn == 0;
  }, 15000));
  const Texts states{"Program name grayed checked", "Company checked", "Size", "Frequency of use checked",
                     "Date last used"};
  EXPECT_EQ(states, items);
  EXPECT_EQ((Texts{"Application", "Frequency of use"}), ColumnHeaders());
}

// Pressed with the list focused; the program's own message loop turns them into commands.
TEST_F(RealInputTest, TheShortcutKeysRunTheirCommands) {
  Register(HKEY_LOCAL_MACHINE, "{6A3C}", "Installer Product", "MsiExec.exe /X{6A3C}");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"), "WindowsInstaller", 1);
  StartUp();  // selects the only program
  Register(HKEY_CURRENT_USER, "z", "Zulu");  // seen only by a rescan, listed after it
  LaunchInterceptor launches;  // every launch fails: nothing really runs
  const auto boxShown = [&](const char* caption, const std::string& start) {
    return !Boxes.Boxes().empty() && Boxes.Boxes()[0].Caption == caption && !Boxes.Boxes()[0].Text.rfind(start, 0);
  };
  const auto searchFocused = [] { return GetFocus() == SearchEdit.GetHandle(); };
  const struct { const char* Name; WORD Key; bool Control; std::function<bool()> Done; } keys[] = {
      {"F5", VK_F5, false, [] { return ListTitles() == Texts{"Installer Product", "Zulu"}; }},
      {"F3", VK_F3, false, searchFocused},
      {"Ctrl+F", 'F', true, searchFocused},
      {"F1", VK_F1, false, [&] { return boxShown("About Quillmere...", "Quillmere 1.0\r\n\r\n"); }},
      {"Ctrl+E", 'E', true, [&] { return boxShown("Quillmere", "Are you sure you want to remove entry"); }},
      {"Ctrl+I", 'I', true, [&] { return launches.CommandLines == Texts{"msiexec /f {6A3C}"}; }},
      {"Ctrl+Execute", VK_EXECUTE, true, [&] { return launches.CommandLines == Texts{"MsiExec.exe /X{6A3C}"}; }},
  };
  for (const auto& key : keys) {
    Boxes.Clear(), launches.CommandLines.clear();
    // A box's closing may leave another window in front for a moment; the keys go to the front window.
    ASSERT_TRUE(RunMainLoopUntil([] {
      SetForegroundWindow(MainWindow.GetHandle()), ProgramList.SetFocus();
      return GetForegroundWindow() == MainWindow.GetHandle() && GetFocus() == ProgramList.GetHandle();
    }));
    PressKey(key.Key, key.Control);
    EXPECT_TRUE(RunMainLoopUntil([&] { return key.Done() && IsWindowEnabled(MainWindow.GetHandle()); }, 5000))
        << key.Name;
  }
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"))) << "Ctrl+E was answered No";
}

// Each box caught as text, caption, style and owner ("main" for the main window).
std::vector<Texts> Shown(const MessageBoxCatcher& boxes) {
  std::vector<Texts> shown;
  for (const CaughtMessageBox& box : boxes.Boxes())
    shown.push_back({box.Text, box.Caption, std::to_string(box.Style),
                     box.Owner == MainWindow.GetHandle() ? "main" : box.Owner ? "other" : ""});
  return shown;
}
Texts AppBox(const std::string& text, UINT style) { return {text, "Quillmere", std::to_string(style), "main"}; }

const Texts Confirmation = AppBox("Are you sure you want to remove entry from the list?", MB_ICONWARNING | MB_YESNO);
const Texts DeletionError = {"Error while deleting a registry key", "", std::to_string(MB_ICONERROR | MB_OK), ""};

class ActionsTest : public AppTest {
 protected:
  void RemoveSelected(int answer) { Boxes.Clear(); Boxes.QueueAnswer(answer); Command(IDM_REMOVE_ENTRY); }

  static int IndexOf(const std::string& title) {
    const Texts titles = ListTitles();
    const auto found = std::find(titles.begin(), titles.end(), title);
    return found == titles.end() ? -1 : static_cast<int>(found - titles.begin());
  }

  UninstallerScript Helper;
};

TEST_F(ActionsTest, EachTriggerRunsTheUninstallStringVerbatimThenTheItemAtItsPlaceIsSelected) {
  Register(HKEY_LOCAL_MACHINE, "alpha", "Alpha");
  Register(HKEY_LOCAL_MACHINE, "gamma", "Gamma");
  // Command lines around the 260 characters of a path buffer, and near the system's limit of 32767.
  const std::pair<Trigger, size_t> triggers[] = {{{"Enter", PressEnter}, 259},
                                                 {{"Remove button", [] { ClickButton(RemoveButton); }}, 260},
                                                 {{"uninstall command", [] { Command(IDM_UNINSTALL); }}, 261},
                                                 {{"double-click", [] { DoubleClick(1); }}, 32000}};
  for (const auto& trigger : triggers) {
    SCOPED_TRACE(trigger.first.first);
    UninstallerScript helper;
    // Beta's uninstaller removes its registration after a moment, so a rescan that came before
    // its end would still list it; its error code is not reported; its quiet string is not used.
    std::string command = helper.CommandLine("--sleep 300 " + DeleteRegistrationWords(Registry, HKEY_LOCAL_MACHINE,
                                             "beta") + " --exit 1603  /X\t\"quoted  words\" a\\\"b %TEMP% ;& |  ");
    while (command.size() < trigger.second) command += static_cast<char>('a' + command.size() % 26);
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "beta", {{"DisplayName", "Beta"}, {"UninstallString", command},
                                                                  {"QuietUninstallString", Helper.CommandLine("/q")}});
    StartUp();
    Select(1);
    RegistryCalls calls;
    trigger.first.second();
    EXPECT_EQ(Texts{command}, helper.Launches());
    EXPECT_EQ(1, Scans(calls));
    EXPECT_EQ((Texts{"Alpha", "Gamma"}), ListTitles());
    EXPECT_EQ(1, SelectedIndex()) << "the item at the same position";
  }
  EXPECT_TRUE(Helper.Launches().empty());
  EXPECT_TRUE(Boxes.Texts().empty());
}

// Yes with the search timer firing while asked: a scan then would put Beta where Alpha is.
TEST_F(ActionsTest, OnlyAQuietUninstallStringRunsAfterAWarningAnsweredYesForTheProgramAskedAbout) {
  for (const char* name : {"Alpha", "Beta"})
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, name,
                                     {{"DisplayName", name}, {"QuietUninstallString", Helper.CommandLine(name)}});
  StartUp();
  for (int answer : {IDNO, IDYES}) {
    Boxes.Clear();
    Boxes.QueueAnswer(answer);
    if (answer == IDYES)
      Boxes.WhileOpen([](const CaughtMessageBox&) {
        SearchEdit.SetText("Beta");
        PostMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
      });
    RegistryCalls calls;
    PressEnter();
    const Texts warning = AppBox("Warning: this program can only be removed in Quiet mode.\n\nDo you want to proceed ?",
                                 MB_ICONWARNING | MB_YESNO);
    EXPECT_EQ(std::vector<Texts>{warning}, Shown(Boxes));
    EXPECT_EQ(answer == IDYES ? Texts{Helper.CommandLine("Alpha")} : Texts{}, Helper.Launches());
    EXPECT_EQ(1, Scans(calls)) << "a scan requested meanwhile is the action's own";
  }
  EXPECT_EQ(Texts{"Beta"}, ListTitles());
}

// The launch fails: its message shows the command line in quotes.
TEST_F(ActionsTest, RepairLaunchesMsiexecWithTheProductCodeAndWithoutASelectionNothingRunsOrRescans) {
  Register(HKEY_LOCAL_MACHINE, ProductCode, "Installer Product", "MsiExec.exe /X");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey(ProductCode), "WindowsInstaller", 1);
  StartUp();
  LaunchInterceptor launches;
  const Trigger repairs[] = {{"modify", [] { Command(IDM_MODIFY); }}, {"Repair", [] { ClickButton(RepairButton); }}};
  for (const Trigger& trigger : repairs) {
    Boxes.Clear();
    RegistryCalls calls;
    trigger.second();
    const std::string failure = std::string("Couldn't launch the program \"msiexec /f ") + ProductCode + "\"";
    EXPECT_EQ(std::vector<Texts>{AppBox(failure, MB_ICONERROR | MB_OK)}, Shown(Boxes)) << trigger.first;
    EXPECT_EQ(1, Scans(calls)) << trigger.first;
    EXPECT_EQ(0, SelectedIndex());
  }

  const Trigger triggers[] = {{"Enter", PressEnter},
                              {"double-click", [] { DoubleClick(0); }},
                              {"Remove button", [] { ClickButton(RemoveButton); }},
                              repairs[0], repairs[1],
                              {"uninstall command", [] { Command(IDM_UNINSTALL); }}};
  for (const Trigger& trigger : triggers) {
    Deselect();
    Boxes.Clear();
    RegistryCalls calls;
    trigger.second();
    EXPECT_EQ(std::vector<Texts>{AppBox("Please select a program", MB_ICONINFORMATION | MB_OK)}, Shown(Boxes))
        << trigger.first;
    EXPECT_EQ(0, Scans(calls)) << trigger.first;
  }
  EXPECT_EQ(2u, launches.CommandLines.size());
}

// What the main window goes through while an uninstaller runs, seen from a thread timer: it
// fires only when the wait for the uninstaller dispatches messages.
std::function<void()> OnTick;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { OnTick(); }

TEST_F(ActionsTest, WhileAnUninstallerRunsTheWindowRepaintsButNoOtherActionStarts) {
  const std::string releaseName = "QuillmereRelease-" + std::to_string(GetCurrentProcessId());
  const HANDLE release = CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str());
  Register(HKEY_LOCAL_MACHINE, "tool", "Tool", "tool.exe /uninstall");
  StartUp();
  // Every launch, of the uninstaller or anything else (msiexec), starts the helper in its place.
  LaunchInterceptor launches(Helper.CommandLine("--wait-event " + releaseName));
  HWND main = MainWindow.GetHandle(), list = ProgramList.GetHandle();
  bool enabledDuringTheWait = true, repaintedDuringTheWait = false;
  int ticks = 0;
  OnTick = [&] {
    if (++ticks == 1) {
      enabledDuringTheWait = IsWindowEnabled(main) != FALSE;
      InvalidateRect(main, nullptr, TRUE);
      // Every way in which an action starts, as posted input and commands; a removal would be confirmed.
      Boxes.QueueAnswer(IDYES);
      for (HWND button : {RemoveButton.GetHandle(), RepairButton.GetHandle()})
        PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
      PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
      PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 30));
      for (WPARAM id : {IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY}) PostMessageA(main, WM_COMMAND, id, 0);
    } else if (!GetUpdateRect(main, nullptr, FALSE)) {
      repaintedDuringTheWait = true;
    }
    if ((repaintedDuringTheWait && ticks > 10) || ticks > 500) SetEvent(release);
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
  PressEnter();
  KillTimer(nullptr, timer);
  CloseHandle(release);

  EXPECT_FALSE(enabledDuringTheWait);
  EXPECT_TRUE(repaintedDuringTheWait);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(Texts{"tool.exe /uninstall"}, launches.CommandLines);
  EXPECT_TRUE(Boxes.Texts().empty()) << "no removal was confirmed";
}

// An uninstaller that hands over to a copy of itself and exits: the wait ends with the launched process.
TEST_F(ActionsTest, TheWaitEndsWithTheLaunchedUninstallerNotWithTheCopyItStarted) {
  const std::string releaseName = "QuillmereCopy-" + std::to_string(GetCurrentProcessId());
  const HANDLE release = CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str());
  const std::string command = Helper.CommandLine("--spawn-copy " + releaseName);
  Register(HKEY_LOCAL_MACHINE, "tool", "Tool", command);
  StartUp();
  RegistryCalls calls;
  Command(IDM_UNINSTALL);
  EXPECT_EQ(Texts{command}, Helper.Launches()) << "the copy is still waiting";
  EXPECT_EQ(1, Scans(calls));
  SetEvent(release);
  EXPECT_TRUE(RunMainLoopUntil([&] { return Helper.Launches().size() == 2; }, 30000)) << "the copy ran";
  CloseHandle(release);
}

// No changes nothing. Yes is answered while the search timer fires; a rescan then would put
// another entry (the other root's, or none) where the selected one is.
TEST_F(ActionsTest, RemovalAnsweredYesDeletesOnlyTheSelectedRootsKeyOfANameRegisteredUnderBoth) {
  for (HKEY selected : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    const auto title = [](HKEY root) { return root == HKEY_CURRENT_USER ? "Shared (user)" : "Shared (machine)"; };
    SCOPED_TRACE(title(selected));
    Register(HKEY_CURRENT_USER, "a", "Alpha");
    Register(HKEY_CURRENT_USER, "Shared", title(HKEY_CURRENT_USER));
    Register(HKEY_LOCAL_MACHINE, "Shared", title(HKEY_LOCAL_MACHINE));
    SearchEdit.SetText("");
    StartUp();
    Select(IndexOf(title(selected)));
    Registries expected;
    RegistryCalls calls;
    RemoveSelected(IDNO);
    EXPECT_EQ(0, calls.Total()) << "No: no deletion, no rescan";
    EXPECT_TRUE(expected == Registries());
    expected.Of(selected) = WithoutRegistration(expected.Of(selected), "Shared");
    Texts titlesWhileAsking;
    Boxes.WhileOpen([&](const CaughtMessageBox&) {
      SearchEdit.SetText("Shared");
      SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
      titlesWhileAsking = ListTitles();
    });
    RemoveSelected(IDYES);
    Boxes.WhileOpen(nullptr);
    EXPECT_EQ(std::vector<Texts>{Confirmation}, Shown(Boxes));
    EXPECT_TRUE(expected == Registries());
    EXPECT_EQ((Texts{"Alpha", "Shared (machine)", "Shared (user)"}), titlesWhileAsking) << "the rescan waits";
    EXPECT_EQ(Texts{title(selected == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER)}, ListTitles());
  }
}

// Random registrations, many sharing their names across the two roots, some with subkeys (which
// cannot be deleted), some hidden hot-fixes, some with usage records: removing any listed entry
// deletes that one key and nothing else, or reports an error and deletes nothing.
class RemovalSafetyTest : public ActionsTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(RemovalSafetyTest, RemovingAnyEntryDeletesExactlyThatKey) {
  const char* const names[] = {"App", "App 2", "App.old", "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}",
                               "a",   "Tool",  "Tool (x86)", "KB123456"};
  std::mt19937 random(GetParam());
  for (int round = 0; round < 25; ++round) {
    std::map<std::string, std::pair<HKEY, std::string>> written;  // root and key name by title
    std::set<std::string> nested;  // the titles of those with a subkey
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      RegistrySandbox::DeleteTree(root, "SOFTWARE");
      for (const char* name : names) {
        if (random() % 3 == 0) continue;
        const std::string title = name + std::string(root == HKEY_CURRENT_USER ? " @user" : " @machine");
        Register(root, name, title, "x");
        written[title] = {root, name};
        if (random() % 5 == 0) RegistrySandbox::CreateKey(root, UninstallKey(name) + "\\Sub"), nested.insert(title);
        if (random() % 2) RegistrySandbox::WriteUsageRecord(root, name, UsageRecord());
      }
    }
    StartUp();
    const Texts titles = ListTitles();
    if (titles.empty()) continue;
    const std::string title = titles[random() % titles.size()];
    SCOPED_TRACE("round " + std::to_string(round) + ": removing " + title);
    const bool fails = nested.count(title) != 0;
    Select(IndexOf(title));
    Registries expected;
    const auto& [root, keyName] = written[title];
    if (!fails) expected.Of(root) = WithoutRegistration(expected.Of(root), keyName);
    RemoveSelected(IDYES);
    EXPECT_TRUE(expected == Registries());
    EXPECT_EQ((fails ? std::vector<Texts>{Confirmation, DeletionError} : std::vector<Texts>{Confirmation}),
              Shown(Boxes));
    EXPECT_EQ(fails, IndexOf(title) != -1);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RemovalSafetyTest, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
