#include "actions/Commands.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "app/resources/ResourceIds.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/RegistryCalls.h"
#include "support/TestData.h"

namespace {

using Texts = std::vector<std::string>;
using States = std::vector<UINT>;

// Every scan opens the uninstall key once under each root.
int ScansSeen(const RegistryCalls& calls) { return calls.OpensOf(UninstallPath) / 2; }

void Command(WPARAM id) { SendMessageA(MainWindow.GetHandle(), WM_COMMAND, id, 0); }

bool Checked(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

bool Registered(HKEY root, const char* keyName) { return RegistrySandbox::KeyExists(root, UninstallKey(keyName)); }

void Deselect() {
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  PumpMessages();
}

using CommandsTest = AppTest;

// The search timer on a clock of the test's own: the program's SetTimer and KillTimer are
// replaced, and AdvanceClock delivers WM_TIMER at each due time that it passes.
DWORD Now = 0, Due = 0, Period = 0;  // Period 0: no timer
UINT_PTR WINAPI FakeSetTimer(HWND, UINT_PTR id, UINT period, TIMERPROC) {
  EXPECT_EQ(0u, id) << "one timer, restarted by each edit";
  Due = Now + period;
  Period = period;
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
    if (length > 1) AdvanceClock(100);
    SearchEdit.SetText(std::string("write", length));  // the edit control tells its parent: EN_CHANGE
    PumpMessages();
    EXPECT_EQ(0, ScansSeen(calls)) << "after " << length << " characters";
  }
  AdvanceClock(499);
  EXPECT_EQ(0, ScansSeen(calls));
  AdvanceClock(1);
  EXPECT_EQ(1, ScansSeen(calls));
  EXPECT_EQ((Texts{"Text Writer Pro", "Writer's Reader"}), ListTitles());
  EXPECT_EQ("2 applications", StatusText());
  AdvanceClock(5000);
  EXPECT_EQ(1, ScansSeen(calls)) << "the timer is stopped by its first run";
}

TEST_F(CommandsTest, ShowSystemComponentsChecksAndUnchecksWithARescanEachTime) {
  Register(HKEY_CURRENT_USER, "KB123456", "Security Update");
  Register(HKEY_LOCAL_MACHINE, "kb123456", "Knowledge Browser");
  StartUp();
  ASSERT_EQ((Texts{"Knowledge Browser"}), ListTitles());

  for (bool shown : {true, false}) {
    RegistryCalls calls;
    Command(IDM_SHOW_SYSTEM_COMPONENTS);
    EXPECT_EQ(1, ScansSeen(calls));
    EXPECT_EQ(shown, Checked(MainWindow.GetMenu(), IDM_SHOW_SYSTEM_COMPONENTS));
    EXPECT_EQ(shown ? Texts({"Knowledge Browser", "Security Update"}) : Texts({"Knowledge Browser"}), ListTitles());
  }
}

// The texts and states of the popup that a right-click in window opens; it is closed at once.
std::pair<Texts, States> OpenContextMenu(HWND window) {
  std::pair<Texts, States> opened;
  MessageSpy spy(ProgramList.GetHandle());  // the owner of the popup
  spy.WhileArriving([&](const SpiedMessage& message) {
    if (message.Message != WM_INITMENUPOPUP) return;
    auto popup = reinterpret_cast<HMENU>(message.WParam);
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[64] = {};
      GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
      opened.first.push_back(text);
      opened.second.push_back(GetMenuState(popup, i, MF_BYPOSITION) & (MF_GRAYED | MF_CHECKED));
    }
    PostMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
  });
  RECT rect;
  GetWindowRect(ProgramList.GetHandle(), &rect);
  SendMessageA(ProgramList.GetHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
               MAKELPARAM(rect.left + 40, rect.top + 40));
  PumpMessages();
  return opened;
}

States MainMenuStates() {
  States states;
  for (UINT id : {IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY})
    states.push_back(GetMenuState(MainWindow.GetMenu(), id, MF_BYCOMMAND) & MF_GRAYED);
  return states;
}

TEST_F(CommandsTest, TheProgramCommandsAndTheRepairButtonFollowTheSelection) {
  Register(HKEY_LOCAL_MACHINE, "{6A3C}", "Installer Product", "MsiExec.exe /X{6A3C}");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"), "WindowsInstaller", 1);
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "quiet",
                                   {{"DisplayName", "Only Quiet"}, {"QuietUninstallString", "q.exe /S"}});
  Register(HKEY_CURRENT_USER, "plain", "Plain Program");
  StartUp();
  ASSERT_EQ((Texts{"Installer Product", "Only Quiet", "Plain Program"}), ListTitles());

  const struct {
    int Item;  // -1: none selected
    States Grayed;
    bool Repair;
  } cases[] = {{0, {0, 0, 0}, true},
               {1, {MF_GRAYED, MF_GRAYED, 0}, false},
               {2, {0, MF_GRAYED, 0}, false},
               {0, {0, 0, 0}, true},
               {-1, {MF_GRAYED, MF_GRAYED, MF_GRAYED}, false}};
  for (const auto& selection : cases) {
    SCOPED_TRACE(selection.Item);
    selection.Item < 0 ? Deselect() : Select(selection.Item);
    const auto popup = OpenContextMenu(ProgramList.GetHandle());
    EXPECT_EQ((Texts{"&Uninstall...\tEnter", "Modify...", "Remove &entry"}), popup.first);
    EXPECT_EQ(selection.Grayed, popup.second);
    EXPECT_EQ(selection.Grayed, MainMenuStates());
    EXPECT_EQ(selection.Repair, IsWindowVisible(RepairButton.GetHandle()) != FALSE);
  }
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(CommandsTest, TheHeadersColumnsMenuChecksTheShownColumns) {
  StartUp();
  AppSettings.ShowCompanyColumn = 0;
  AppSettings.ShowFrequencyColumn = 1;

  const auto popup = OpenContextMenu(ProgramList.GetHeader());
  EXPECT_EQ((Texts{"Program name", "Company", "Size", "Frequency of use", "Date last used"}), popup.first);
  EXPECT_EQ((States{MF_GRAYED | MF_CHECKED, 0, MF_CHECKED, MF_CHECKED, 0}), popup.second);
}

TEST_F(CommandsTest, ColumnCommandsRebuildTheListWithoutReadingTheRegistry) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "a",
                                   {{"DisplayName", "Alpha"}, {"UninstallString", "u"}, {"Publisher", "Acme"}});
  Register(HKEY_LOCAL_MACHINE, "b", "Beta");
  StartUp();
  // Changes that only a scan would see.
  Register(HKEY_CURRENT_USER, "c", "Gamma");
  RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey("b"));

  const struct {
    UINT Id;
    Texts Headers;
  } steps[] = {
      {IDM_COLUMN_COMPANY, {"Application", "Size"}},
      {IDM_COLUMN_SIZE, {"Application"}},
      {IDM_COLUMN_FREQUENCY, {"Application", "Frequency of use"}},
      {IDM_COLUMN_LAST_USED, {"Application", "Frequency of use", "Date last used"}},
      {IDM_COLUMN_COMPANY, {"Application", "Company", "Frequency of use", "Date last used"}},
      {IDM_COLUMN_PROGRAM_NAME, {"Application", "Company", "Frequency of use", "Date last used"}},
  };
  for (const auto& step : steps) {
    RegistryCalls calls;
    Command(step.Id);
    EXPECT_EQ(0, calls.Total()) << step.Id;
    EXPECT_EQ(step.Headers, ColumnHeaders()) << step.Id;
    EXPECT_EQ((Texts{"Alpha", "Beta"}), ListTitles()) << step.Id;
  }
  EXPECT_EQ("Acme", CellText(0, 1));
}

std::vector<UINT> RadioMarks() {
  std::vector<UINT> marked;
  for (UINT id : {IDM_VIEW_ICONS, IDM_VIEW_LIST, IDM_VIEW_DETAILS, IDM_SORT_ASCENDING, IDM_SORT_DESCENDING})
    if (Checked(MainWindow.GetMenu(), id)) marked.push_back(id);
  return marked;
}

TEST_F(CommandsTest, ViewAndSortCommandsAndHeaderClicksMoveTheRadioMarks) {
  Register(HKEY_CURRENT_USER, "b", "Beta");
  Register(HKEY_CURRENT_USER, "a", "alpha");
  Register(HKEY_LOCAL_MACHINE, "c", "Gamma");
  StartUp();
  EXPECT_EQ((std::vector<UINT>{IDM_VIEW_DETAILS, IDM_SORT_ASCENDING}), RadioMarks());
  const Texts ascending{"alpha", "Beta", "Gamma"}, descending{"Gamma", "Beta", "alpha"};

  const struct {
    UINT Id;
    DWORD View;
    std::vector<UINT> Marks;
    Texts Titles;
  } steps[] = {
      {IDM_VIEW_ICONS, LVS_ICON, {IDM_VIEW_ICONS, IDM_SORT_ASCENDING}, ascending},
      {IDM_VIEW_LIST, LVS_LIST, {IDM_VIEW_LIST, IDM_SORT_ASCENDING}, ascending},
      {IDM_SORT_DESCENDING, LVS_LIST, {IDM_VIEW_LIST, IDM_SORT_DESCENDING}, descending},
      {IDM_VIEW_DETAILS, LVS_REPORT, {IDM_VIEW_DETAILS, IDM_SORT_DESCENDING}, descending},
      {IDM_SORT_ASCENDING, LVS_REPORT, {IDM_VIEW_DETAILS, IDM_SORT_ASCENDING}, ascending},
  };
  RegistryCalls calls;
  for (const auto& step : steps) {
    Command(step.Id);
    EXPECT_EQ(step.View, ProgramList.GetView()) << step.Id;
    EXPECT_EQ(step.Marks, RadioMarks()) << step.Id;
    EXPECT_EQ(step.Titles, ListTitles()) << step.Id;
  }
  EXPECT_EQ(0, calls.Total()) << "sorting reads no registry";

  NMLISTVIEW click = {};
  click.hdr.hwndFrom = ProgramList.GetHandle();
  click.hdr.code = LVN_COLUMNCLICK;
  click.iItem = -1;
  SendMessageA(MainWindow.GetHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));  // on "Application"
  EXPECT_EQ(descending, ListTitles());
  EXPECT_EQ((std::vector<UINT>{IDM_VIEW_DETAILS, IDM_SORT_DESCENDING}), RadioMarks());
}

// The search timer fires while the question is open; a rescan then would put Delta where Beta is.
TEST_F(CommandsTest, RemovalConfirmedWhileTheSearchTimerFiresRemovesTheProgramAskedAbout) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  Register(HKEY_CURRENT_USER, "b", "Beta");
  Register(HKEY_LOCAL_MACHINE, "d", "Delta");
  StartUp();
  Select(1);
  Boxes.QueueAnswer(IDYES);
  Texts titlesWhileAsking;
  Boxes.WhileOpen([&](const CaughtMessageBox&) {
    SearchEdit.SetText("ta");  // Beta and Delta
    SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
    titlesWhileAsking = ListTitles();
  });

  Command(IDM_REMOVE_ENTRY);

  ASSERT_EQ(1u, Boxes.Boxes().size());
  EXPECT_FALSE(Registered(HKEY_CURRENT_USER, "b"));
  EXPECT_TRUE(Registered(HKEY_CURRENT_USER, "a"));
  EXPECT_TRUE(Registered(HKEY_LOCAL_MACHINE, "d"));
  EXPECT_EQ((Texts{"Alpha", "Beta", "Delta"}), titlesWhileAsking) << "the rescan waits for the answer";
  EXPECT_EQ((Texts{"Delta"}), ListTitles());
}

}  // namespace
