#include "actions/Details.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "actions/Commands.h"
#include "app/MainWindow.h"
#include "app/Settings.h"
#include "app/resources/ResourceIds.h"
#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/TestData.h"

namespace {

std::string Text(const CWindow& control) { return WindowText(control.GetHandle()); }

HICON ShownIcon() {
  return reinterpret_cast<HICON>(SendMessageA(DetailsIcon.GetHandle(), STM_GETICON, 0, 0));
}

HICON BlankIcon() { return LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_BLANK)); }

// What an icon static shows once given the blank icon: the blank icon itself, or no icon where
// static controls refuse monochrome icons (Wine's do).
HICON BlankIconAsShown() {
  HWND probe = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_ICON, 0, 0, 50, 50, MainWindow.GetHandle(), nullptr,
                               AppInstance, nullptr);
  SendMessageA(probe, STM_SETICON, reinterpret_cast<WPARAM>(BlankIcon()), 0);
  auto shown = reinterpret_cast<HICON>(SendMessageA(probe, STM_GETICON, 0, 0));
  DestroyWindow(probe);
  return shown;
}

// The pane's eleven texts, in reading order: title, then label and value of each row.
std::vector<std::string> PaneTexts() {
  return {Text(DetailsTitle),   Text(SizeLabel),      Text(SizeValue), Text(LastUsedLabel),
          Text(LastUsedValue),  Text(UsedLabel),      Text(UsedValue), Text(PublisherLabel),
          Text(PublisherValue), Text(VersionLabel),   Text(VersionValue)};
}

using DetailsTest = AppTest;

TEST_F(DetailsTest, WithoutUsageDataOrEstimatedSizeOnlyTitlePublisherAndVersionShow) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "plain",
                                   {{"DisplayName", "Plain Program"},
                                    {"UninstallString", "u.exe"},
                                    {"Publisher", "Acme"},
                                    {"DisplayVersion", "2.5"}});
  StartUp();

  EXPECT_EQ((std::vector<std::string>{"Plain Program", "", "", "", "", "", "", "Publisher:", "Acme", "Version:", "2.5"}),
            PaneTexts());
}

TEST_F(DetailsTest, UsageDataWithoutProgramSizeFallsBackToTheEstimatedSize) {
  const FILETIME lastUsed = FileTimeOf(2024, 3, 15);
  Register(HKEY_LOCAL_MACHINE, "used", "Used Program");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("used"), "EstimatedSize", 2048);
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "used", UsageOf(0, 7, lastUsed));
  StartUp();

  ASSERT_FALSE(FormatDate(lastUsed).empty());
  EXPECT_EQ((std::vector<std::string>{"Used Program", "Estimated size:", FormatSize(2097152), "Last used on:",
                                      FormatDate(lastUsed), "Used:", FormatUseCount(7), "", "", "", ""}),
            PaneTexts());
  EXPECT_EQ("2 MB", Text(SizeValue));
}

TEST_F(DetailsTest, APositiveProgramSizeWinsOverTheEstimatedSize) {
  Register(HKEY_LOCAL_MACHINE, "used", "Used Program");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("used"), "EstimatedSize", 2048);
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "used", UsageOf(150000, 1, FileTimeOf(2023, 1, 2)));
  StartUp();

  EXPECT_EQ("Estimated size:", Text(SizeLabel));
  EXPECT_EQ(FormatSize(150000), Text(SizeValue));
}

TEST_F(DetailsTest, ANegativeProgramSizeFallsBackToTheEstimatedSizeOrNone) {
  Register(HKEY_CURRENT_USER, "a", "A Negative");
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("a"), "EstimatedSize", 3);
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "a", UsageOf(-5, 1, FileTimeOf(2023, 1, 2)));
  Register(HKEY_CURRENT_USER, "b", "B Negative");
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "b", UsageOf(-5, 1, FileTimeOf(2023, 1, 2)));
  StartUp();

  EXPECT_EQ(FormatSize(3072), Text(SizeValue));
  Select(1);
  EXPECT_EQ("", Text(SizeLabel));
  EXPECT_EQ("", Text(SizeValue));
}

TEST_F(DetailsTest, TheSizeShownIsTheSizeInTheListEvenAbove4GiB) {
  Register(HKEY_CURRENT_USER, "big", "Big Suite");
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("big"), "EstimatedSize", 5u * 1024 * 1024);
  StartUp();

  EXPECT_EQ(FormatSize(5ull << 30), Text(SizeValue));
  EXPECT_EQ(CellText(0, 1), Text(SizeValue));
}

TEST_F(DetailsTest, AnUnknownUseCountHidesTheUsedRowButNotTheLastUse) {
  const FILETIME lastUsed = FileTimeOf(2022, 11, 30);
  Register(HKEY_CURRENT_USER, "rare", "Rare Program");
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "rare", UsageOf(4096, -1, lastUsed));
  StartUp();

  EXPECT_EQ((std::vector<std::string>{"Rare Program", "Estimated size:", FormatSize(4096), "Last used on:",
                                      FormatDate(lastUsed), "", "", "", "", "", ""}),
            PaneTexts());
}

TEST_F(DetailsTest, ADateThatDoesNotFormatHidesTheLastUseRow) {
  Register(HKEY_CURRENT_USER, "never", "Never Used");
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "never", UsageOf(0, 0, FILETIME{0, 0}));
  Register(HKEY_CURRENT_USER, "odd", "Odd Date");
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "odd", UsageOf(0, 12, FILETIME{0xFFFFFFFF, 0xFFFFFFFF}));
  StartUp();

  EXPECT_EQ((std::vector<std::string>{"Never Used", "", "", "", "", "Used:", FormatUseCount(0), "", "", "", ""}),
            PaneTexts());
  Select(1);
  EXPECT_EQ((std::vector<std::string>{"Odd Date", "", "", "", "", "Used:", FormatUseCount(12), "", "", "", ""}),
            PaneTexts());
}

TEST_F(DetailsTest, TheTitleFallsBackToTheQuietNameThenToTheKeyName) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "{KEY-ONLY}", {{"UninstallString", "u.exe"}});
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "quiet",
                                   {{"QuietDisplayName", "Quiet Name"}, {"UninstallString", "u.exe"}});
  StartUp();
  ASSERT_EQ((std::vector<std::string>{"Quiet Name", "{KEY-ONLY}"}), ListTitles());

  EXPECT_EQ("Quiet Name", Text(DetailsTitle));
  Select(1);
  EXPECT_EQ("{KEY-ONLY}", Text(DetailsTitle));
}

TEST_F(DetailsTest, PublisherAndVersionLabelsShowOnlyWithTheirValues) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "a",
                                   {{"DisplayName", "A"}, {"UninstallString", "u"}, {"Publisher", "Acme"}});
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "b",
                                   {{"DisplayName", "B"}, {"UninstallString", "u"}, {"DisplayVersion", "1.0"}});
  StartUp();

  EXPECT_EQ("Publisher:", Text(PublisherLabel));
  EXPECT_EQ("Acme", Text(PublisherValue));
  EXPECT_EQ("", Text(VersionLabel));
  EXPECT_EQ("", Text(VersionValue));
  Select(1);
  EXPECT_EQ("", Text(PublisherLabel));
  EXPECT_EQ("", Text(PublisherValue));
  EXPECT_EQ("Version:", Text(VersionLabel));
  EXPECT_EQ("1.0", Text(VersionValue));
}

TEST_F(DetailsTest, AfterTheStartUpScanThePaneShowsTheFirstItemOfTheList) {
  Register(HKEY_LOCAL_MACHINE, "z", "Zebra");
  Register(HKEY_CURRENT_USER, "m", "Mango");
  Register(HKEY_LOCAL_MACHINE, "b", "banana");
  StartUp();

  ASSERT_EQ(0, SelectedIndex());
  EXPECT_EQ("banana", Text(DetailsTitle));
  EXPECT_NE(nullptr, ShownIcon());
  EXPECT_NE(BlankIcon(), ShownIcon());
}

TEST_F(DetailsTest, AnEmptyInventoryLeavesThePaneBlank) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  RegistrySandbox::DeleteTree(HKEY_CURRENT_USER, UninstallKey("a"));
  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);

  EXPECT_EQ(std::vector<std::string>(11), PaneTexts());
  EXPECT_EQ(BlankIconAsShown(), ShownIcon());
}

TEST_F(DetailsTest, ClearDetailsBlanksEveryTextAndShowsTheBlankIcon) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "full",
                                   {{"DisplayName", "Full"},
                                    {"UninstallString", "u"},
                                    {"Publisher", "Acme"},
                                    {"DisplayVersion", "3"}});
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("full"), "EstimatedSize", 10);
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "full", UsageOf(0, 3, FileTimeOf(2020, 6, 1)));
  StartUp();
  const std::vector<std::string> filled = PaneTexts();
  ASSERT_EQ(0, std::count(filled.begin(), filled.end(), std::string()));
  ASSERT_NE(BlankIconAsShown(), ShownIcon());

  ClearDetails();
  EXPECT_EQ(std::vector<std::string>(11), PaneTexts());
  EXPECT_EQ(BlankIconAsShown(), ShownIcon());
}

TEST_F(DetailsTest, FillDetailsWithoutASelectionLeavesThePaneAsItIs) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  const HICON shown = ShownIcon();
  // Deselected without the notification handler, which would clear the pane.
  ProgramList.OnItemChanged = nullptr;
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  ProgramList.OnItemChanged = OnSelectionChanged;
  ASSERT_EQ(-1, SelectedIndex());

  FillDetails();
  EXPECT_EQ("Alpha", Text(DetailsTitle));
  EXPECT_EQ(shown, ShownIcon());
}

void SetItemState(int item, UINT state, UINT mask) {
  LVITEMA change = {};
  change.state = state;
  change.stateMask = mask;
  SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&change));
  PumpMessages();
}

TEST_F(DetailsTest, AnItemThatLosesTheFocusClearsThePane) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  Register(HKEY_CURRENT_USER, "b", "Beta");
  StartUp();
  Select(1);
  ASSERT_EQ("Beta", Text(DetailsTitle));

  SetItemState(1, 0, LVIS_FOCUSED);  // still selected
  EXPECT_EQ(1, SelectedIndex());
  EXPECT_EQ(std::vector<std::string>(11), PaneTexts());
  EXPECT_EQ(BlankIconAsShown(), ShownIcon());
}

TEST_F(DetailsTest, AnItemThatLosesTheSelectionButKeepsTheFocusStaysShownWithItsCommandsGrayed) {
  Register(HKEY_LOCAL_MACHINE, "{6A3C}", "Installer Product");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"), "WindowsInstaller", 1);
  Register(HKEY_CURRENT_USER, "b", "Beta");
  StartUp();
  Select(1);
  ASSERT_TRUE(IsWindowVisible(RepairButton.GetHandle()));

  // The one notification that the list sends (Wine's sends an extra one without the focus first).
  ProgramList.OnItemChanged = nullptr;
  SetItemState(1, LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ProgramList.OnItemChanged = OnSelectionChanged;
  NMLISTVIEW change = {};
  change.hdr.hwndFrom = ProgramList.GetHandle();
  change.hdr.code = LVN_ITEMCHANGED;
  change.iItem = 1;
  change.uNewState = LVIS_FOCUSED;
  change.uOldState = LVIS_SELECTED | LVIS_FOCUSED;
  change.uChanged = LVIF_STATE;
  SendMessageA(MainWindow.GetHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&change));

  EXPECT_EQ(-1, SelectedIndex());
  EXPECT_EQ("Installer Product", Text(DetailsTitle));
  HMENU menu = MainWindow.GetMenu();
  for (UINT id : {IDM_UNINSTALL, IDM_MODIFY, IDM_REMOVE_ENTRY})
    EXPECT_TRUE(GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) << id;
  EXPECT_FALSE(IsWindowVisible(RepairButton.GetHandle()));
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

TEST_F(DetailsTest, ReplacedIconsAreDestroyedButNeverTheBlankIcon) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  Register(HKEY_CURRENT_USER, "b", "Beta");
  StartUp();
  Destroyed.clear();
  ApiHook hook("USER32.dll", "DestroyIcon", reinterpret_cast<void*>(RecordDestroyIcon));
  ASSERT_TRUE(hook.Installed());
  RealDestroyIcon = hook.Original<BOOL(WINAPI*)(HICON)>();
  const HICON first = ShownIcon();
  ASSERT_NE(BlankIcon(), first);

  Select(1);
  const HICON second = ShownIcon();
  ASSERT_NE(first, second);
  EXPECT_TRUE(WasDestroyed(first));
  EXPECT_FALSE(WasDestroyed(second));

  ClearDetails();
  ClearDetails();
  EXPECT_TRUE(WasDestroyed(second));
  EXPECT_EQ(BlankIconAsShown(), ShownIcon());
  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  Select(0);
  EXPECT_FALSE(WasDestroyed(BlankIcon()));
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(BlankIcon(), &info));
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
}

TEST_F(DetailsTest, ThePaneIsWrittenWhileItIsHidden) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  Register(HKEY_CURRENT_USER, "b", "Beta");
  DetailsPanel.Show(SW_HIDE);
  StartUp();
  Select(1);
  EXPECT_EQ("Beta", Text(DetailsTitle));
  DetailsPanel.Show(SW_SHOW);
}

}  // namespace
