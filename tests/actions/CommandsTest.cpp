#include "actions/Commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "app/resources/ResourceIds.h"
#include "inventory/ProgramEntry.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/MainLoop.h"
#include "support/RegistryCalls.h"

namespace {

// Every scan opens the uninstall key once under each root.
int ScansSeen(const RegistryCalls& calls) { return calls.OpensOf(UninstallPath) / 2; }

void Command(WPARAM id, HWND target = MainWindow.GetHandle()) { SendMessageA(target, WM_COMMAND, id, 0); }

UINT MenuState(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND); }
bool Grayed(HMENU menu, UINT id) { return (MenuState(menu, id) & MF_GRAYED) != 0; }
bool Checked(HMENU menu, UINT id) { return (MenuState(menu, id) & MF_CHECKED) != 0; }
bool RadioChecked(HMENU menu, UINT id) {
  MENUITEMINFOA item = {};
  item.cbSize = sizeof item;
  item.fMask = MIIM_FTYPE | MIIM_STATE;
  if (!GetMenuItemInfoA(menu, id, FALSE, &item)) return false;
  return (item.fType & MFT_RADIOCHECK) && (item.fState & MFS_CHECKED);
}

void Deselect() {
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  PumpMessages();
}

// What the program tried to launch; nothing is started.
std::vector<std::string> Launched;
BOOL WINAPI RecordLaunch(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                         LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
  Launched.push_back(commandLine ? commandLine : "");
  SetLastError(ERROR_FILE_NOT_FOUND);
  return FALSE;
}

class CommandsTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    Launched.clear();
  }

  // The program's window in front with the keyboard focus in the list, as after start-up.
  static void BringToFront() {
    SetForegroundWindow(MainWindow.GetHandle());
    ProgramList.SetFocus();
    PumpMessages();
  }

  ApiHook LaunchHook{"KERNEL32.dll", "CreateProcessA", reinterpret_cast<void*>(RecordLaunch)};
};

// Search box

TEST_F(CommandsTest, EachEditOfTheSearchBoxRestartsTheDelaySoOnlyTheLastOneScans) {
  Register(HKEY_CURRENT_USER, "w", "Text Writer Pro");
  Register(HKEY_CURRENT_USER, "p", "Paint Shop");
  Register(HKEY_LOCAL_MACHINE, "r", "Writer's Reader");
  StartUp();
  RegistryCalls calls;

  const std::string typed = "write";
  for (size_t length = 1; length <= typed.size(); ++length) {
    if (length > 1) Sleep(100);
    SearchEdit.SetText(typed.substr(0, length));  // the edit control tells its parent: EN_CHANGE
    PumpMessages();
    EXPECT_EQ(0, ScansSeen(calls)) << "after " << length << " characters";
  }

  ASSERT_TRUE(PumpUntil([&] { return ScansSeen(calls) > 0; }));
  EXPECT_EQ((std::vector<std::string>{"Text Writer Pro", "Writer's Reader"}), ListTitles());
  EXPECT_EQ("2 applications", StatusText());
  PumpFor(1200);
  EXPECT_EQ(1, ScansSeen(calls)) << "the timer runs once and is stopped";
}

TEST_F(CommandsTest, TheSearchTimerStopsItselfAndScansWithTheCurrentText) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  Register(HKEY_CURRENT_USER, "b", "Beta");
  StartUp();
  SearchEdit.SetText("ALP");
  RegistryCalls calls;

  SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
  EXPECT_EQ(1, ScansSeen(calls));
  EXPECT_EQ((std::vector<std::string>{"Alpha"}), ListTitles());
  PumpFor(1200);
  EXPECT_EQ(1, ScansSeen(calls));
}

TEST_F(CommandsTest, NotificationsOfOtherControlsDoNotStartTheSearch) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  RegistryCalls calls;

  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, MAKEWPARAM(0, EN_CHANGE),
               reinterpret_cast<LPARAM>(DetailsTitle.GetHandle()));
  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, MAKEWPARAM(0, EN_UPDATE),
               reinterpret_cast<LPARAM>(SearchEdit.GetHandle()));
  PumpFor(1200);
  EXPECT_EQ(0, ScansSeen(calls));
}

// Accelerators

TEST_F(CommandsTest, TheAcceleratorTableHoldsTheShortcutsInOrder) {
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
  ASSERT_NE(nullptr, table);
  ACCEL entries[16] = {};
  const int count = CopyAcceleratorTableA(table, entries, 16);
  struct Expected {
    BYTE Flags;
    WORD Key;
    WORD Command;
  };
  const Expected expected[] = {
      {FVIRTKEY, VK_F1, IDM_ABOUT},
      {FVIRTKEY, VK_F3, IDM_FOCUS_SEARCH},
      {FVIRTKEY, VK_F5, IDM_REFRESH},
      {FVIRTKEY | FCONTROL, 'E', IDM_REMOVE_ENTRY},
      {FVIRTKEY | FCONTROL, 'I', IDM_MODIFY},
      {FVIRTKEY | FCONTROL, 'F', IDM_FOCUS_SEARCH},
      {FVIRTKEY | FCONTROL, VK_EXECUTE, IDM_UNINSTALL},
  };
  ASSERT_EQ(7, count);
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(expected[i].Flags, entries[i].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT)) << "entry " << i;
    EXPECT_EQ(expected[i].Key, entries[i].key) << "entry " << i;
    EXPECT_EQ(expected[i].Command, entries[i].cmd) << "entry " << i;
  }
}

// Keys pressed through the system's input queue reach the window in front, which must be this
// test's: suites named *RealInput* run alone.
using RealInputAcceleratorTest = CommandsTest;

TEST_F(RealInputAcceleratorTest, F5PressedInTheListRescans) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  BringToFront();
  Register(HKEY_LOCAL_MACHINE, "b", "Beta");
  RegistryCalls calls;

  PressKey(VK_F5);
  ASSERT_TRUE(RunMainLoopUntil([&] { return ScansSeen(calls) > 0; }));
  EXPECT_EQ(1, ScansSeen(calls));
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), ListTitles());
  EXPECT_EQ("2 applications", StatusText());
}

TEST_F(RealInputAcceleratorTest, F3AndCtrlFMoveTheFocusFromTheListToTheSearchBox) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  BringToFront();
  HWND search = SearchEdit.GetHandle();

  PressKey(VK_F3);
  EXPECT_TRUE(RunMainLoopUntil([&] { return GetFocus() == search; }));

  ProgramList.SetFocus();
  PressKey('F', true);
  EXPECT_TRUE(RunMainLoopUntil([&] { return GetFocus() == search; }));
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(RealInputAcceleratorTest, F1ShowsTheAboutBox) {
  StartUp();
  BringToFront();

  PressKey(VK_F1);
  ASSERT_TRUE(RunMainLoopUntil([&] { return !Boxes.Boxes().empty(); }));
  const CaughtMessageBox& about = Boxes.Boxes().front();
  EXPECT_EQ("About Quillmere...", about.Caption);
  EXPECT_EQ(0u, about.Text.find("Quillmere 1.0\r\n\r\n")) << about.Text;
  EXPECT_EQ(static_cast<UINT>(MB_USERICON | MB_OK), about.Style);
  EXPECT_EQ(MainWindow.GetHandle(), about.Owner);
  EXPECT_EQ(1u, Boxes.Boxes().size());
}

TEST_F(RealInputAcceleratorTest, EnterInTheListAndCtrlExecuteUninstallTheSelectedProgram) {
  Register(HKEY_CURRENT_USER, "a", "Alpha", "C:\\Alpha\\remove.exe");
  StartUp();
  BringToFront();

  PressKey(VK_RETURN);
  ASSERT_TRUE(RunMainLoopUntil([] { return !Launched.empty(); }));
  PressKey(VK_EXECUTE, true);
  EXPECT_TRUE(RunMainLoopUntil([] { return Launched.size() == 2; }));
  EXPECT_EQ((std::vector<std::string>(2, "C:\\Alpha\\remove.exe")), Launched);
}

// "Quillmere 1.0", two line breaks, the web address, two line breaks, the rights notice, a line break.
TEST_F(CommandsTest, TheAboutTextNamesTheVersionTheAddressAndTheRights) {
  ShowAbout();
  ASSERT_EQ(1u, Boxes.Boxes().size());
  const std::string& text = Boxes.Boxes().front().Text;
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  ASSERT_EQ(5u, lines.size()) << text;
  EXPECT_EQ("Quillmere 1.0", lines[0]);
  EXPECT_EQ("", lines[1]);
  EXPECT_EQ(0u, lines[2].find("https://")) << lines[2];
  EXPECT_NE(std::string::npos, lines[2].find("quillmere")) << lines[2];
  EXPECT_EQ("", lines[3]);
  EXPECT_NE(std::string::npos, lines[4].find("Quillmere")) << lines[4];
  EXPECT_EQ(text.size(), text.rfind("\r\n") + 2) << "ends with a line break";
}

TEST_F(CommandsTest, ShowErrorIsOwnedByTheMainWindowAndReturnsTheAnswer) {
  EXPECT_EQ(IDOK, ShowError("Couldn't launch the program \"x\""));
  ASSERT_EQ(1u, Boxes.Boxes().size());
  const CaughtMessageBox& box = Boxes.Boxes().front();
  EXPECT_EQ("Couldn't launch the program \"x\"", box.Text);
  EXPECT_EQ("Quillmere", box.Caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), box.Style);
  EXPECT_EQ(MainWindow.GetHandle(), box.Owner);
}

// Menus

TEST_F(CommandsTest, ShowSystemComponentsChecksAndUnchecksWithARescanEachTime) {
  Register(HKEY_CURRENT_USER, "KB123456", "Security Update for Something");
  Register(HKEY_LOCAL_MACHINE, "Microsoft Security Patch 1", "Patch One");
  Register(HKEY_LOCAL_MACHINE, "kb123456", "Knowledge Browser");
  StartUp();
  HMENU menu = MainWindow.GetMenu();
  ASSERT_FALSE(Checked(menu, IDM_SHOW_SYSTEM_COMPONENTS));
  ASSERT_EQ((std::vector<std::string>{"Knowledge Browser"}), ListTitles());

  {
    RegistryCalls calls;
    Command(IDM_SHOW_SYSTEM_COMPONENTS);
    EXPECT_EQ(1, ScansSeen(calls));
  }
  EXPECT_TRUE(Checked(menu, IDM_SHOW_SYSTEM_COMPONENTS));
  EXPECT_EQ(1, AppSettings.ShowSystemComponents);
  EXPECT_EQ((std::vector<std::string>{"Knowledge Browser", "Patch One", "Security Update for Something"}),
            ListTitles());

  {
    RegistryCalls calls;
    Command(IDM_SHOW_SYSTEM_COMPONENTS);
    EXPECT_EQ(1, ScansSeen(calls));
  }
  EXPECT_FALSE(Checked(menu, IDM_SHOW_SYSTEM_COMPONENTS));
  EXPECT_EQ(0, AppSettings.ShowSystemComponents);
  EXPECT_EQ((std::vector<std::string>{"Knowledge Browser"}), ListTitles());
}

TEST_F(CommandsTest, ToggleMenuCheckLeavesTheFlagAtZeroOrOneAndTheMarkEqualToIt) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_MENU));
  int32_t flag = 7;
  ToggleMenuCheck(menu, IDM_SHOW_SYSTEM_COMPONENTS, flag);
  EXPECT_EQ(0, flag);
  EXPECT_FALSE(Checked(menu, IDM_SHOW_SYSTEM_COMPONENTS));
  ToggleMenuCheck(menu, IDM_SHOW_SYSTEM_COMPONENTS, flag);
  EXPECT_EQ(1, flag);
  EXPECT_TRUE(Checked(menu, IDM_SHOW_SYSTEM_COMPONENTS));
  DestroyMenu(menu);
}

TEST_F(CommandsTest, TheColumnsMenuGraysAndChecksProgramNameAndChecksTheOthersByTheirFlags) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_COLUMNS_MENU));
  ASSERT_NE(nullptr, menu);
  UpdateProgramMenu(menu, IDR_COLUMNS_MENU);
  EXPECT_TRUE(Grayed(menu, IDM_COLUMN_PROGRAM_NAME));
  EXPECT_TRUE(Checked(menu, IDM_COLUMN_PROGRAM_NAME));
  EXPECT_TRUE(Checked(menu, IDM_COLUMN_COMPANY));
  EXPECT_TRUE(Checked(menu, IDM_COLUMN_SIZE));
  EXPECT_FALSE(Checked(menu, IDM_COLUMN_FREQUENCY));
  EXPECT_FALSE(Checked(menu, IDM_COLUMN_LAST_USED));
  for (UINT id : {IDM_COLUMN_COMPANY, IDM_COLUMN_SIZE, IDM_COLUMN_FREQUENCY, IDM_COLUMN_LAST_USED})
    EXPECT_FALSE(Grayed(menu, id)) << id;

  AppSettings.ShowCompanyColumn = 0;
  AppSettings.ShowSizeColumn = 0;
  AppSettings.ShowFrequencyColumn = 1;
  AppSettings.ShowLastUsedColumn = 1;
  UpdateProgramMenu(menu, IDR_COLUMNS_MENU);
  EXPECT_FALSE(Checked(menu, IDM_COLUMN_COMPANY));
  EXPECT_FALSE(Checked(menu, IDM_COLUMN_SIZE));
  EXPECT_TRUE(Checked(menu, IDM_COLUMN_FREQUENCY));
  EXPECT_TRUE(Checked(menu, IDM_COLUMN_LAST_USED));
  EXPECT_TRUE(Checked(menu, IDM_COLUMN_PROGRAM_NAME));
  DestroyMenu(menu);
}

TEST_F(CommandsTest, AnUnknownMenuIdentifierChangesNothing) {
  StartUp();
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_PROGRAM_MENU));
  UpdateProgramMenu(menu, IDR_MAIN_MENU);
  UpdateProgramMenu(menu, IDR_COLUMNS_MENU);
  for (UINT id : {IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY}) EXPECT_EQ(0u, MenuState(menu, id)) << id;
  DestroyMenu(menu);
}

class ProgramMenuTest : public CommandsTest {
 protected:
  // Sorted by title: Installer Product, Only Quiet, Plain Program.
  void RegisterThree() {
    Register(HKEY_LOCAL_MACHINE, "{6A3C}", "Installer Product", "MsiExec.exe /X{6A3C}");
    RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "{6A3C}", "WindowsInstaller", 1);
    Register(HKEY_CURRENT_USER, "plain", "Plain Program");
    RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "quiet",
                                     {{"DisplayName", "Only Quiet"}, {"QuietUninstallString", "q.exe /S"}});
  }

  // The "Program" popup as it would open now.
  struct States {
    bool Uninstall, Modify, Remove;  // enabled
  };
  static States PopupStates() {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_PROGRAM_MENU));
    UpdateProgramMenu(menu, IDR_PROGRAM_MENU);
    States states{!Grayed(menu, IDM_UNINSTALL), !Grayed(menu, IDM_MODIFY), !Grayed(menu, IDM_REMOVE_ENTRY)};
    DestroyMenu(menu);
    return states;
  }
  static States MainMenuStates() {
    HMENU menu = MainWindow.GetMenu();
    return {!Grayed(menu, IDM_UNINSTALL), !Grayed(menu, IDM_MODIFY), !Grayed(menu, IDM_REMOVE_ENTRY)};
  }
  static bool RepairButtonShown() { return IsWindowVisible(RepairButton.GetHandle()) != FALSE; }
};

#define EXPECT_STATES(uninstall, modify, remove, actual)                     \
  do {                                                                       \
    const auto states = (actual);                                            \
    EXPECT_EQ(uninstall, states.Uninstall) << "Uninstall in " #actual;       \
    EXPECT_EQ(modify, states.Modify) << "Modify in " #actual;                \
    EXPECT_EQ(remove, states.Remove) << "Remove entry in " #actual;          \
  } while (0)

TEST_F(ProgramMenuTest, ProgramCommandsAndTheRepairButtonFollowTheSelection) {
  RegisterThree();
  StartUp();
  ASSERT_EQ((std::vector<std::string>{"Installer Product", "Only Quiet", "Plain Program"}), ListTitles());

  ASSERT_EQ(0, SelectedIndex());  // the start-up scan selects the first item
  EXPECT_STATES(true, true, true, PopupStates());
  EXPECT_STATES(true, true, true, MainMenuStates());
  EXPECT_TRUE(RepairButtonShown());

  Select(1);  // only a quiet uninstall command
  EXPECT_STATES(false, false, true, PopupStates());
  EXPECT_STATES(false, false, true, MainMenuStates());
  EXPECT_FALSE(RepairButtonShown());

  Select(2);
  EXPECT_STATES(true, false, true, PopupStates());
  EXPECT_STATES(true, false, true, MainMenuStates());
  EXPECT_FALSE(RepairButtonShown());

  Select(0);
  EXPECT_STATES(true, true, true, MainMenuStates());
  EXPECT_TRUE(RepairButtonShown());

  Deselect();
  EXPECT_STATES(false, false, false, PopupStates());
  EXPECT_STATES(false, false, false, MainMenuStates());
  EXPECT_FALSE(RepairButtonShown());
  EXPECT_TRUE(Boxes.Boxes().empty()) << "no selection is no error";
}

TEST_F(ProgramMenuTest, AfterEveryScanTheMainMenuFollowsTheNewSelection) {
  RegisterThree();
  StartUp();
  Select(2);
  EXPECT_STATES(true, false, true, MainMenuStates());

  // The selection stays at position 2, which now holds the program with only a quiet command.
  Register(HKEY_CURRENT_USER, "a", "A First");
  Command(IDM_REFRESH);
  ASSERT_EQ(2, SelectedIndex());
  ASSERT_EQ("Only Quiet", CellText(2, 0));
  EXPECT_STATES(false, false, true, MainMenuStates());
  EXPECT_FALSE(RepairButtonShown());

  RegistrySandbox::DeleteTree(HKEY_CURRENT_USER, std::string(UninstallPath) + "a");
  RegistrySandbox::DeleteTree(HKEY_CURRENT_USER, std::string(UninstallPath) + "plain");
  Command(IDM_REFRESH);  // two items left: nothing at position 2
  EXPECT_EQ(-1, SelectedIndex());
  EXPECT_STATES(false, false, false, MainMenuStates());

  // Without a selection the next scan selects the first item.
  SearchEdit.SetText("installer");
  SendMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
  ASSERT_EQ((std::vector<std::string>{"Installer Product"}), ListTitles());
  EXPECT_EQ(0, SelectedIndex());
  EXPECT_STATES(true, true, true, MainMenuStates());
  EXPECT_TRUE(RepairButtonShown());
}

// View and sort

TEST_F(CommandsTest, TheViewMenuMarksTheListsViewAndSortDirection) {
  HMENU menu = MainWindow.GetMenu();
  EXPECT_TRUE(RadioChecked(menu, IDM_VIEW_DETAILS));
  EXPECT_FALSE(RadioChecked(menu, IDM_VIEW_ICONS));
  EXPECT_FALSE(RadioChecked(menu, IDM_VIEW_LIST));
  EXPECT_TRUE(RadioChecked(menu, IDM_SORT_ASCENDING));
  EXPECT_FALSE(RadioChecked(menu, IDM_SORT_DESCENDING));

  // The items sit in a "&View" popup between "&Action" and "&Help".
  ASSERT_EQ(3, GetMenuItemCount(menu));
  char name[32] = {};
  GetMenuStringA(menu, 1, name, sizeof name, MF_BYPOSITION);
  EXPECT_STREQ("&View", name);
  HMENU view = GetSubMenu(menu, 1);
  const UINT ids[] = {IDM_VIEW_ICONS, IDM_VIEW_LIST, IDM_VIEW_DETAILS, 0, IDM_SORT_ASCENDING, IDM_SORT_DESCENDING};
  const char* const texts[] = {"&Icons", "&List", "&Details", "", "Sort &ascending", "Sort &descending"};
  ASSERT_EQ(6, GetMenuItemCount(view));
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(ids[i], GetMenuItemID(view, i)) << i;
    char text[64] = {};
    GetMenuStringA(view, i, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(texts[i], text) << i;
  }
}

TEST_F(CommandsTest, ViewCommandsSwitchTheListAndMoveTheRadioMark) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  HMENU menu = MainWindow.GetMenu();

  Command(IDM_VIEW_ICONS);
  EXPECT_EQ(static_cast<DWORD>(LVS_ICON), ProgramList.GetView());
  EXPECT_TRUE(RadioChecked(menu, IDM_VIEW_ICONS));
  EXPECT_FALSE(RadioChecked(menu, IDM_VIEW_DETAILS));

  Command(IDM_VIEW_LIST);
  EXPECT_EQ(static_cast<DWORD>(LVS_LIST), ProgramList.GetView());
  EXPECT_EQ(200, SendMessageA(ProgramList.GetHandle(), LVM_GETCOLUMNWIDTH, 0, 0));
  EXPECT_TRUE(RadioChecked(menu, IDM_VIEW_LIST));
  EXPECT_FALSE(RadioChecked(menu, IDM_VIEW_ICONS));

  Command(IDM_VIEW_DETAILS);
  EXPECT_EQ(static_cast<DWORD>(LVS_REPORT), ProgramList.GetView());
  EXPECT_TRUE(RadioChecked(menu, IDM_VIEW_DETAILS));
  EXPECT_FALSE(RadioChecked(menu, IDM_VIEW_LIST));
  EXPECT_TRUE(RadioChecked(menu, IDM_SORT_ASCENDING)) << "the sort mark is left alone";
}

TEST_F(CommandsTest, SortDirectionCommandsResortTheListAndMoveTheRadioMark) {
  Register(HKEY_CURRENT_USER, "b", "Beta");
  Register(HKEY_CURRENT_USER, "a", "alpha");
  Register(HKEY_LOCAL_MACHINE, "c", "Gamma");
  StartUp();
  HMENU menu = MainWindow.GetMenu();
  RegistryCalls calls;

  Command(IDM_SORT_DESCENDING);
  EXPECT_EQ(0, AppSettings.SortAscending);
  EXPECT_EQ((std::vector<std::string>{"Gamma", "Beta", "alpha"}), ListTitles());
  EXPECT_TRUE(RadioChecked(menu, IDM_SORT_DESCENDING));
  EXPECT_FALSE(RadioChecked(menu, IDM_SORT_ASCENDING));

  Command(IDM_SORT_ASCENDING);
  EXPECT_EQ(1, AppSettings.SortAscending);
  EXPECT_EQ((std::vector<std::string>{"alpha", "Beta", "Gamma"}), ListTitles());
  EXPECT_TRUE(RadioChecked(menu, IDM_SORT_ASCENDING));
  EXPECT_FALSE(RadioChecked(menu, IDM_SORT_DESCENDING));
  EXPECT_EQ(0, calls.Total()) << "sorting reads no registry";
}

TEST_F(CommandsTest, TheSmallIconViewHasNoMark) {
  HMENU menu = MainWindow.GetMenu();
  ProgramList.SetView(LVS_SMALLICON);
  UpdateViewMarks();
  for (UINT id : {IDM_VIEW_ICONS, IDM_VIEW_LIST, IDM_VIEW_DETAILS}) EXPECT_FALSE(RadioChecked(menu, id)) << id;
  EXPECT_TRUE(RadioChecked(menu, IDM_SORT_ASCENDING));
}

TEST_F(CommandsTest, AClickOnTheSortColumnsHeaderReversesTheOrderAndMovesTheMark) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  Register(HKEY_CURRENT_USER, "b", "Beta");
  StartUp();
  NMLISTVIEW click = {};
  click.hdr.hwndFrom = ProgramList.GetHandle();
  click.hdr.code = LVN_COLUMNCLICK;
  click.iItem = -1;
  click.iSubItem = 0;

  SendMessageA(MainWindow.GetHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ((std::vector<std::string>{"Beta", "Alpha"}), ListTitles());
  EXPECT_TRUE(RadioChecked(MainWindow.GetMenu(), IDM_SORT_DESCENDING));
  EXPECT_FALSE(RadioChecked(MainWindow.GetMenu(), IDM_SORT_ASCENDING));

  SendMessageA(MainWindow.GetHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), ListTitles());
  EXPECT_TRUE(RadioChecked(MainWindow.GetMenu(), IDM_SORT_ASCENDING));
}

TEST_F(CommandsTest, SortByColumnCommandsSortByThatColumn) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "a",
                                   {{"DisplayName", "Alpha"}, {"UninstallString", "u"}, {"Publisher", "Zeta Corp"}});
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "b",
                                   {{"DisplayName", "Beta"}, {"UninstallString", "u"}, {"Publisher", "Acme"}});
  StartUp();
  ASSERT_EQ((std::vector<std::string>{"Application", "Size", "Company"}), ColumnHeaders());

  Command(IDM_SORT_BY_COLUMN_0 + 2);
  EXPECT_EQ(2, AppSettings.SortColumn);
  EXPECT_EQ((std::vector<std::string>{"Beta", "Alpha"}), ListTitles());
  Command(IDM_SORT_BY_COLUMN_0);
  EXPECT_EQ(0, AppSettings.SortColumn);
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), ListTitles());
}

// Context menus, opened for real and dismissed as soon as they show

struct OpenedPopup {
  int Count = 0;
  std::vector<std::string> Texts;
  std::vector<UINT> States;
};

// Opens the list's context menu as a right-click in window would, and reads the popup that shows.
// keys are posted to the open menu (VK_ESCAPE unless given), the way a user would choose.
OpenedPopup OpenContextMenu(HWND window, const std::vector<WPARAM>& keys = {VK_ESCAPE}) {
  OpenedPopup opened;
  MessageSpy spy(ProgramList.GetHandle());
  spy.WhileArriving([&](const SpiedMessage& message) {
    if (message.Message != WM_INITMENUPOPUP) return;
    auto popup = reinterpret_cast<HMENU>(message.WParam);
    ++opened.Count;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[64] = {};
      GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
      opened.Texts.push_back(text);
      opened.States.push_back(GetMenuState(popup, i, MF_BYPOSITION));
    }
    for (WPARAM key : keys) PostMessageA(ProgramList.GetHandle(), WM_KEYDOWN, key, 0);
  });
  RECT rect;
  GetWindowRect(ProgramList.GetHandle(), &rect);
  SendMessageA(ProgramList.GetHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
               MAKELPARAM(rect.left + 40, rect.top + 40));
  PumpMessages();
  return opened;
}

TEST_F(ProgramMenuTest, RightClickOnAnItemOpensTheProgramMenuForIt) {
  RegisterThree();
  StartUp();

  Select(1);
  OpenedPopup opened = OpenContextMenu(ProgramList.GetHandle());
  ASSERT_EQ(1, opened.Count);
  EXPECT_EQ((std::vector<std::string>{"&Uninstall...\tEnter", "Modify...", "Remove &entry"}), opened.Texts);
  EXPECT_EQ((std::vector<UINT>{MF_GRAYED, MF_GRAYED, 0}), opened.States);

  Select(0);
  opened = OpenContextMenu(ProgramList.GetHandle());
  EXPECT_EQ((std::vector<UINT>{0, 0, 0}), opened.States);

  Select(2);
  opened = OpenContextMenu(ProgramList.GetHandle());
  EXPECT_EQ((std::vector<UINT>{0, MF_GRAYED, 0}), opened.States);

  Deselect();
  opened = OpenContextMenu(ProgramList.GetHandle());
  EXPECT_EQ((std::vector<UINT>{MF_GRAYED, MF_GRAYED, MF_GRAYED}), opened.States);
  EXPECT_TRUE(Boxes.Boxes().empty());
  EXPECT_TRUE(Launched.empty());
}

TEST_F(CommandsTest, RightClickOnTheHeaderOpensTheColumnsMenuWithTheColumnFlags) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  AppSettings.ShowFrequencyColumn = 1;

  OpenedPopup opened = OpenContextMenu(ProgramList.GetHeader());
  ASSERT_EQ(1, opened.Count);
  EXPECT_EQ((std::vector<std::string>{"Program name", "Company", "Size", "Frequency of use", "Date last used"}),
            opened.Texts);
  EXPECT_EQ((std::vector<UINT>{MF_GRAYED | MF_CHECKED, MF_CHECKED, MF_CHECKED, MF_CHECKED, 0}), opened.States);
}

TEST_F(CommandsTest, AColumnChosenInTheHeaderMenuReachesTheCommandHandler) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  ASSERT_EQ((std::vector<std::string>{"Application", "Size", "Company"}), ColumnHeaders());

  // Down to "Company", past the grayed "Program name", then Enter.
  OpenedPopup opened = OpenContextMenu(ProgramList.GetHeader(), {VK_DOWN, VK_DOWN, VK_RETURN});
  ASSERT_EQ(1, opened.Count);
  PumpMessages();
  EXPECT_EQ(0, AppSettings.ShowCompanyColumn);
  EXPECT_EQ((std::vector<std::string>{"Application", "Size"}), ColumnHeaders());
}

// Column commands

TEST_F(CommandsTest, ColumnCommandsRebuildTheListFromTheInventoryWithoutReadingTheRegistry) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "a",
                                   {{"DisplayName", "Alpha"}, {"UninstallString", "u"}, {"Publisher", "Acme"}});
  Register(HKEY_LOCAL_MACHINE, "b", "Beta");
  StartUp();
  // Changes that only a scan would see.
  Register(HKEY_CURRENT_USER, "c", "Gamma");
  RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "b");

  const struct {
    UINT Id;
    std::vector<std::string> Headers;
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
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), ListTitles()) << step.Id;
  }
  EXPECT_EQ("Acme", CellText(0, 1));
  EXPECT_EQ("2 applications", StatusText());
}

TEST_F(CommandsTest, CompanyChosenTwiceHidesAndShowsTheColumn) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "a",
                                   {{"DisplayName", "Alpha"}, {"UninstallString", "u"}, {"Publisher", "Acme"}});
  StartUp();
  RegistryCalls calls;

  Command(IDM_COLUMN_COMPANY, ProgramList.GetHandle());  // as the popup owned by the list sends it
  EXPECT_EQ(0, AppSettings.ShowCompanyColumn);
  EXPECT_EQ((std::vector<std::string>{"Application", "Size"}), ColumnHeaders());

  Command(IDM_COLUMN_COMPANY, ProgramList.GetHandle());
  EXPECT_EQ(1, AppSettings.ShowCompanyColumn);
  EXPECT_EQ((std::vector<std::string>{"Application", "Size", "Company"}), ColumnHeaders());
  EXPECT_EQ("Acme", CellText(0, 2));
  EXPECT_EQ(0, calls.Total());
}

TEST_F(CommandsTest, AColumnFlagOtherThanZeroOrOneIsSwitchedOff) {
  StartUp();
  AppSettings.ShowLastUsedColumn = 5;
  Command(IDM_COLUMN_LAST_USED);
  EXPECT_EQ(0, AppSettings.ShowLastUsedColumn);
}

// Removal

TEST_F(CommandsTest, RemoveEntryAnsweredNoDeletesNothingAndDoesNotRescan) {
  Register(HKEY_LOCAL_MACHINE, "a", "Alpha");
  StartUp();
  RegistryCalls calls;

  Command(IDM_REMOVE_ENTRY);
  ASSERT_EQ(1u, Boxes.Boxes().size());
  const CaughtMessageBox& question = Boxes.Boxes().front();
  EXPECT_EQ("Are you sure you want to remove entry from the list?", question.Text);
  EXPECT_EQ("Quillmere", question.Caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING | MB_YESNO), question.Style);
  EXPECT_EQ(MainWindow.GetHandle(), question.Owner);
  EXPECT_EQ(IDNO, question.Answer);

  EXPECT_EQ(0, calls.Total());
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "a"));
  EXPECT_EQ((std::vector<std::string>{"Alpha"}), ListTitles());
  EXPECT_EQ(0, SelectedIndex());
}

// The search timer may fire while the question is open and rebuild the list under it.
class RemovalQuestionTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    Register(HKEY_CURRENT_USER, "a", "Alpha");
    Register(HKEY_CURRENT_USER, "b", "Beta");
    Register(HKEY_LOCAL_MACHINE, "d", "Delta");
    StartUp();
    Boxes.QueueAnswer(IDYES);
    Boxes.WhileOpen([](const CaughtMessageBox&) {
      SearchEdit.SetText("ta");  // Beta and Delta
      PostMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
    });
  }

  static bool Registered(HKEY root, const char* keyName) {
    return RegistrySandbox::KeyExists(root, std::string(UninstallPath) + keyName);
  }
};

TEST_F(RemovalQuestionTest, ARescanAskedForWhileAskingWaitsAndTheProgramAskedAboutIsRemoved) {
  Select(1);  // Beta; a rescan with the new search text would put Delta at this position
  Command(IDM_REMOVE_ENTRY);
  KillTimer(MainWindow.GetHandle(), 0);

  ASSERT_EQ(1u, Boxes.Boxes().size());
  EXPECT_FALSE(Registered(HKEY_CURRENT_USER, "b"));
  EXPECT_TRUE(Registered(HKEY_LOCAL_MACHINE, "d"));
  EXPECT_TRUE(Registered(HKEY_CURRENT_USER, "a"));
  EXPECT_EQ((std::vector<std::string>{"Delta"}), ListTitles());
}

TEST_F(RemovalQuestionTest, ARescanWhileAskingWithoutASelectionRemovesNothing) {
  Deselect();
  Command(IDM_REMOVE_ENTRY);  // as a command that arrives although the item is grayed
  KillTimer(MainWindow.GetHandle(), 0);

  ASSERT_EQ(1u, Boxes.Boxes().size());
  ASSERT_EQ(0, SelectedIndex()) << "the rescan selected the first item";
  EXPECT_TRUE(Registered(HKEY_CURRENT_USER, "b"));
  EXPECT_TRUE(Registered(HKEY_LOCAL_MACHINE, "d"));
}

TEST_F(RemovalQuestionTest, WithoutARescanTheProgramAskedAboutIsRemoved) {
  Boxes.WhileOpen(nullptr);
  Select(1);
  RegistryCalls calls;
  Command(IDM_REMOVE_ENTRY);

  EXPECT_FALSE(Registered(HKEY_CURRENT_USER, "b"));
  EXPECT_TRUE(Registered(HKEY_CURRENT_USER, "a"));
  EXPECT_TRUE(Registered(HKEY_LOCAL_MACHINE, "d"));
  EXPECT_EQ(1, ScansSeen(calls));
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Delta"}), ListTitles());
}

// Notifications and the list's own triggers

std::vector<std::string> Routed;
void RecordColumnClick(NMLISTVIEW*) { Routed.push_back("column click"); }
void RecordItemChanged(NMLISTVIEW*) { Routed.push_back("item changed"); }
void RecordItemClick(NMLISTVIEW*) { Routed.push_back("item click"); }

class RoutingTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    Routed.clear();
    Saved[0] = ProgramList.OnColumnClick;
    Saved[1] = ProgramList.OnItemChanged;
    Saved[2] = ProgramList.OnItemClick;
    ProgramList.OnColumnClick = RecordColumnClick;
    ProgramList.OnItemChanged = RecordItemChanged;
    ProgramList.OnItemClick = RecordItemClick;
  }
  void TearDown() override {
    ProgramList.OnColumnClick = Saved[0];
    ProgramList.OnItemChanged = Saved[1];
    ProgramList.OnItemClick = Saved[2];
    CommandsTest::TearDown();
  }

  static void Notify(HWND from, UINT code) {
    NMLISTVIEW record = {};
    record.hdr.hwndFrom = from;
    record.hdr.code = code;
    SendMessageA(MainWindow.GetHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&record));
  }

  CListView::NotificationHandler Saved[3] = {};
};

TEST_F(RoutingTest, OnlyTheListsThreeNotificationsReachItsSlots) {
  HWND list = ProgramList.GetHandle();
  Notify(list, LVN_COLUMNCLICK);
  Notify(list, LVN_ITEMCHANGED);
  Notify(list, NM_CLICK);
  Notify(list, NM_DBLCLK);
  Notify(list, LVN_ITEMCHANGING);
  EXPECT_EQ((std::vector<std::string>{"column click", "item changed", "item click"}), Routed);

  Routed.clear();
  for (HWND other : {SearchEdit.GetHandle(), ProgramList.GetHeader(), MainWindow.GetHandle(), HWND{}}) {
    Notify(other, LVN_COLUMNCLICK);
    Notify(other, LVN_ITEMCHANGED);
    Notify(other, NM_CLICK);
  }
  EXPECT_TRUE(Routed.empty());
}

TEST_F(RoutingTest, AnEmptySlotIsSkipped) {
  ProgramList.OnItemClick = nullptr;
  Notify(ProgramList.GetHandle(), NM_CLICK);
  EXPECT_TRUE(Routed.empty());
}

class ListTriggerTest : public CommandsTest {
 protected:
  void ExpectPleaseSelect(const char* trigger) {
    ASSERT_EQ(1u, Boxes.Boxes().size()) << trigger;
    const CaughtMessageBox& box = Boxes.Boxes().front();
    EXPECT_EQ("Please select a program", box.Text) << trigger;
    EXPECT_EQ("Quillmere", box.Caption) << trigger;
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION | MB_OK), box.Style) << trigger;
    EXPECT_EQ(MainWindow.GetHandle(), box.Owner) << trigger;
    Boxes.Clear();
  }
};

TEST_F(ListTriggerTest, EnterAndDoubleClickWithoutSelectionAskForOneAndDoNotRescan) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  Deselect();
  RegistryCalls calls;
  HWND list = ProgramList.GetHandle();

  SendMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
  ExpectPleaseSelect("Enter");

  RECT client;
  GetClientRect(list, &client);
  const LPARAM belowTheItems = MAKELPARAM(client.right / 2, client.bottom - 5);
  SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, belowTheItems);
  SendMessageA(list, WM_LBUTTONUP, 0, belowTheItems);
  SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, belowTheItems);
  SendMessageA(list, WM_LBUTTONUP, 0, belowTheItems);
  PumpMessages();
  ExpectPleaseSelect("double-click");

  EXPECT_EQ(0, ScansSeen(calls));
  EXPECT_TRUE(Launched.empty());
}

TEST_F(ListTriggerTest, OtherKeysInTheListDoNothing) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  RegistryCalls calls;
  for (WPARAM key : {WPARAM{VK_DELETE}, WPARAM{VK_SPACE}, WPARAM{VK_EXECUTE}, WPARAM{'E'}}) SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, key, 0);
  PumpMessages();
  EXPECT_TRUE(Boxes.Boxes().empty());
  EXPECT_TRUE(Launched.empty());
  EXPECT_EQ(0, ScansSeen(calls));
}

TEST_F(ListTriggerTest, EnterOnAProgramRunsItsUninstallCommandThenRescans) {
  Register(HKEY_CURRENT_USER, "a", "Alpha", "C:\\Alpha\\remove.exe /x");
  StartUp();
  RegistryCalls calls;

  SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ((std::vector<std::string>{"C:\\Alpha\\remove.exe /x"}), Launched);
  EXPECT_EQ(1, ScansSeen(calls));
}

TEST_F(ListTriggerTest, EnterStillReachesUninstallWhenOnlyAQuietCommandIsRegistered) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "q",
                                   {{"DisplayName", "Only Quiet"}, {"QuietUninstallString", "q.exe /S"}});
  StartUp();
  ASSERT_TRUE(Grayed(MainWindow.GetMenu(), IDM_UNINSTALL));

  SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_EQ(1u, Boxes.Boxes().size());
  EXPECT_EQ(0u, Boxes.Boxes().front().Text.find("Warning: this program can only be removed in Quiet mode."));
  EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING | MB_YESNO), Boxes.Boxes().front().Style);
  EXPECT_EQ(IDNO, Boxes.Boxes().front().Answer);
  EXPECT_TRUE(Launched.empty());

  Boxes.Clear();
  Boxes.QueueAnswer(IDYES);
  SendMessageA(ProgramList.GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 5));
  PumpMessages();
  ASSERT_FALSE(Boxes.Boxes().empty());
  EXPECT_EQ(0u, Boxes.Boxes().front().Text.find("Warning: this program can only be removed in Quiet mode."));
  EXPECT_EQ((std::vector<std::string>{"q.exe /S"}), Launched);
}

TEST_F(ListTriggerTest, TheButtonsRunUninstallAndRepair) {
  Register(HKEY_LOCAL_MACHINE, "{6A3C}", "Installer Product", "MsiExec.exe /X{6A3C}");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "{6A3C}", "WindowsInstaller", 1);
  StartUp();

  SendMessageA(RemoveButton.GetHandle(), WM_LBUTTONUP, 0, 0);
  SendMessageA(RepairButton.GetHandle(), WM_LBUTTONUP, 0, 0);
  EXPECT_EQ((std::vector<std::string>{"MsiExec.exe /X{6A3C}", "msiexec /f {6A3C}"}), Launched);
}

// Accelerators of grayed commands are not delivered.
using RealInputProgramMenuTest = ProgramMenuTest;

TEST_F(RealInputProgramMenuTest, CtrlIRepairsOnlyAWindowsInstallerProduct) {
  RegisterThree();
  StartUp();
  BringToFront();

  Select(2);
  PressKey('I', true);
  RunMainLoopUntil([] { return false; }, 300);
  EXPECT_TRUE(Launched.empty()) << "Modify... is grayed";

  Select(0);
  PressKey('I', true);
  EXPECT_TRUE(RunMainLoopUntil([] { return !Launched.empty(); }));
  EXPECT_EQ((std::vector<std::string>{"msiexec /f {6A3C}"}), Launched);
}

TEST_F(RealInputProgramMenuTest, CtrlEAsksBeforeRemovingOnlyWithASelection) {
  RegisterThree();
  StartUp();
  BringToFront();

  Deselect();
  PressKey('E', true);
  RunMainLoopUntil([] { return false; }, 300);
  EXPECT_TRUE(Boxes.Boxes().empty()) << "Remove Entry is grayed";

  Select(1);
  PressKey('E', true);
  ASSERT_TRUE(RunMainLoopUntil([&] { return !Boxes.Boxes().empty(); }));
  EXPECT_EQ("Are you sure you want to remove entry from the list?", Boxes.Boxes().front().Text);
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_CURRENT_USER, std::string(UninstallPath) + "quiet"));
}

}  // namespace
