#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "actions/Details.h"
#include "app/MainWindow.h"
#include "app/Settings.h"
#include "app/resources/ResourceIds.h"
#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/RegistryCalls.h"
#include "support/TestData.h"

namespace {

using Texts = std::vector<std::string>;
using Ids = std::vector<UINT>;

// Every scan opens the uninstall key once under each root.
int Scans(const RegistryCalls& calls) { return calls.OpensOf(UninstallPath) / 2; }

// Those of ids whose item in menu has the state bit.
Ids WithState(HMENU menu, Ids ids, UINT bit) {
  ids.erase(std::remove_if(ids.begin(), ids.end(), [&](UINT id) { return !(GetMenuState(menu, id, MF_BYCOMMAND) & bit); }),
            ids.end());
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
      {IDM_VIEW_ICONS, 0, wide, scanned, {IDM_VIEW_ICONS, up}},
      {IDM_VIEW_LIST, 0, wide, scanned, {IDM_VIEW_LIST, up}},
      {IDM_SORT_DESCENDING, 0, wide, reversed, {IDM_VIEW_LIST, IDM_SORT_DESCENDING}},
      {IDM_VIEW_DETAILS, 0, wide, reversed, {details, IDM_SORT_DESCENDING}},
      {IDM_SORT_ASCENDING, 0, wide, scanned, {details, up}},
      {system, 1, wide, {"alpha", "Gamma", "Security Update"}, {details, up, system}},
      {system, 1, wide, rescanned, {details, up}},
  };
  const Ids checkable{IDM_VIEW_ICONS, IDM_VIEW_LIST, details, up, IDM_SORT_DESCENDING, system};
  EXPECT_EQ((Ids{details, up}), WithState(MainWindow.GetMenu(), checkable, MF_CHECKED));
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Id);
    RegistryCalls calls;
    SendMessageA(MainWindow.GetHandle(), WM_COMMAND, step.Id, 0);
    EXPECT_EQ(step.Scans, step.Scans ? Scans(calls) : calls.Total());
    EXPECT_EQ(step.Headers, ColumnHeaders());
    EXPECT_EQ(step.Titles, ListTitles());
    EXPECT_EQ(step.Marks, WithState(MainWindow.GetMenu(), checkable, MF_CHECKED));
  }
  EXPECT_EQ(static_cast<DWORD>(LVS_REPORT), ProgramList.GetView());
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
  RECT rect;
  GetWindowRect(ProgramList.GetHandle(), &rect);
  SendMessageA(ProgramList.GetHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ProgramList.GetHandle()),
               MAKELPARAM(rect.left + 40, rect.top + 40));
  PumpMessages();
  return grayed;
}

std::string Text(const CWindow& control) { return WindowText(control.GetHandle()); }

// The details pane's texts in reading order: title, then label and value of each row.
Texts PaneTexts() {
  return {Text(DetailsTitle),  Text(SizeLabel),      Text(SizeValue),      Text(LastUsedLabel),
          Text(LastUsedValue), Text(UsedLabel),      Text(UsedValue),      Text(PublisherLabel),
          Text(PublisherValue), Text(VersionLabel), Text(VersionValue)};
}

TEST_F(CommandsTest, TheProgramCommandsTheRepairButtonAndTheDetailsFollowTheSelection) {
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "{6A3C}",
                                   {{"DisplayName", "Installer Product"}, {"UninstallString", "MsiExec.exe /X{6A3C}"},
                                    {"Publisher", "Acme"}, {"DisplayVersion", "2.5"}});
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"), "WindowsInstaller", 1);
  // Usage data without a program size: the estimated size stands in.
  const FILETIME used = FileTimeOf(2024, 3, 15), rare = FileTimeOf(2022, 11, 30);
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "quiet",
                                   {{"DisplayName", "Only Quiet"}, {"QuietUninstallString", "q.exe /S"}});
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("quiet"), "EstimatedSize", 2048);
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "quiet", UsageOf(0, 7, used));
  // An unknown use count; the program size wins over the estimated size.
  Register(HKEY_CURRENT_USER, "rare", "Rare Program");
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("rare"), "EstimatedSize", 3);
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "rare", UsageOf(4096, -1, rare));
  // No name at all: the key name is the title; 5 GiB estimated.
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "{KEY-ONLY}", {{"UninstallString", "u"}});
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("{KEY-ONLY}"), "EstimatedSize", 5u * 1024 * 1024);
  StartUp();
  ASSERT_EQ((Texts{"Installer Product", "Only Quiet", "Rare Program", "{KEY-ONLY}"}), ListTitles());
  ASSERT_FALSE(FormatDate(used).empty());

  const UINT U = IDM_UNINSTALL, M = IDM_MODIFY;
  const struct {
    int Item;  // -1: none selected
    Ids Grayed;
    bool Repair;
    Texts Pane;  // empty: not checked
  } cases[] = {
      {0, {}, true, {"Installer Product", "", "", "", "", "", "", "Publisher:", "Acme", "Version:", "2.5"}},
      {1, {U, M}, false, {"Only Quiet", "Estimated size:", "2 MB", "Last used on:", FormatDate(used), "Used:",
                             FormatUseCount(7), "", "", "", ""}},
      {2, {M}, false, {"Rare Program", "Estimated size:", FormatSize(4096), "Last used on:", FormatDate(rare),
                             "", "", "", "", "", ""}},
      {3, {M}, false, {"{KEY-ONLY}", "Estimated size:", FormatSize(5ull << 30), "", "", "", "", "", "", "", ""}},
      {0, {}, true, {}},
      {-1, ProgramCommands, false, {}},
  };
  for (const auto& selection : cases) {
    SCOPED_TRACE(selection.Item);
    if (selection.Item >= 0) {
      Select(selection.Item);  // the first one is selected by the start-up scan already
    } else {
      LVITEMA none = {};
      none.stateMask = LVIS_SELECTED;
      SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
      PumpMessages();
    }
    EXPECT_EQ(selection.Grayed, GrayedInContextMenu());
    EXPECT_EQ(selection.Grayed, WithState(MainWindow.GetMenu(), ProgramCommands, MF_GRAYED));
    EXPECT_EQ(selection.Repair, IsWindowVisible(RepairButton.GetHandle()) != FALSE);
    EXPECT_EQ(selection.Pane, selection.Pane.empty() ? Texts{} : PaneTexts());
  }
  EXPECT_EQ(CellText(3, 1), FormatSize(5ull << 30)) << "the size in the list";
  EXPECT_TRUE(Boxes.Boxes().empty());
}

// Icons that the pane gave up, as DestroyIcon saw them.
std::vector<HICON> Destroyed;
BOOL(WINAPI* RealDestroyIcon)(HICON) = nullptr;
BOOL WINAPI RecordDestroyIcon(HICON icon) {
  Destroyed.push_back(icon);
  return RealDestroyIcon(icon);
}
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
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(blank, &info)) << "the blank icon is still usable";
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
}

}  // namespace
