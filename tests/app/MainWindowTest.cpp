#include "app/MainWindow.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/Settings.h"
#include "support/AppSession.h"

namespace {

using Rect = std::vector<LONG>;  // left, top, right, bottom

Rect Placed(const CWindow& window) {
  RECT rect = RectInParent(window.GetHandle());
  return {rect.left, rect.top, rect.right, rect.bottom};
}

Rect ScreenRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

SIZE ClientSize() {
  RECT client = {};
  GetClientRect(MainWindow.GetHandle(), &client);
  return {client.right, client.bottom};
}

LONG Style(const CWindow& window) { return GetWindowLongA(window.GetHandle(), GWL_STYLE); }
LONG ExStyle(const CWindow& window) { return GetWindowLongA(window.GetHandle(), GWL_EXSTYLE); }

TEST(SettingsTest, DefaultsAreTheCompiledInValues) {
  std::memset(&AppSettings, 0x55, sizeof AppSettings);
  ApplyDefaultSettings();

  EXPECT_EQ(10, AppSettings.WindowLeft);
  EXPECT_EQ(10, AppSettings.WindowTop);
  EXPECT_EQ(780, AppSettings.WindowWidth);
  EXPECT_EQ(500, AppSettings.WindowHeight);
  EXPECT_EQ(0, AppSettings.Maximized);
  EXPECT_EQ(1, AppSettings.DetailsVisible);
  EXPECT_EQ(1, AppSettings.ListViewMode);
  EXPECT_EQ(0, AppSettings.SortColumn);
  EXPECT_EQ(1, AppSettings.SortAscending);
  EXPECT_EQ(0, AppSettings.ShowSystemComponents);
  EXPECT_EQ(1, AppSettings.ShowSizeColumn);
  EXPECT_EQ(1, AppSettings.ShowCompanyColumn);
  EXPECT_EQ(0, AppSettings.ShowFrequencyColumn);
  EXPECT_EQ(0, AppSettings.ShowLastUsedColumn);
}

class MainWindowTest : public AppTest {
 protected:
  void TearDown() override {
    AppSettings.DetailsVisible = 1;
    ShowWindow(MainWindow.GetHandle(), SW_SHOWNORMAL);
    SetWindowPos(MainWindow.GetHandle(), nullptr, 10, 10, 780, 500, SWP_NOZORDER | SWP_NOACTIVATE);
    AppTest::TearDown();
  }

  static void ResizeClient(int width, int height) {
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
    SetWindowPos(MainWindow.GetHandle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
  }

  static int StatusBarHeight() {
    RECT bar = {};
    GetWindowRect(StatusBar.GetHandle(), &bar);
    return bar.bottom - bar.top;
  }

  // Every child's place for the client area that the main window has now.
  static void ExpectLayout() {
    const SIZE client = ClientSize();
    const LONG w = client.cx, h = client.cy, sb = StatusBarHeight();
    ASSERT_GT(sb, 0);
    EXPECT_EQ(w, MainWindow.GetWidth());
    EXPECT_EQ(h, MainWindow.GetHeight());
    EXPECT_EQ((Rect{0, h - sb, w, h}), Placed(StatusBar));
    EXPECT_EQ((Rect{0, 0, w, h - 41 - sb}), Placed(ProgramList));
    EXPECT_EQ((Rect{6, h - 35 - sb, w - 6, h - 35 - sb}), Placed(DetailsPanel));
    EXPECT_EQ((Rect{6, h - 23 - sb, 46, h - 6 - sb}), Placed(SearchLabel));
    EXPECT_EQ((Rect{52, h - 28 - sb, 352, h - 6 - sb}), Placed(SearchEdit));
    EXPECT_EQ((Rect{w - 6, h - 28 - sb, w - 6, h - 6 - sb}), Placed(ButtonAnchor));
    EXPECT_EQ((Rect{w - 12, h - 28 - sb, w - 12, h - 5 - sb}), Placed(RemoveButton));
    EXPECT_EQ((Rect{w - 18, h - 28 - sb, w - 18, h - 5 - sb}), Placed(RepairButton));
    ExpectDetailsLayout(w - 12);
  }

  // The pane's children that follow its width; the others keep their places.
  // A negative width leaves a child 0 wide.
  static void ExpectDetailsLayout(LONG paneWidth) {
    const LONG right = paneWidth - 6;
    EXPECT_EQ((Rect{50, 14, std::max(50L, right), 34}), Placed(DetailsTitle));
    EXPECT_EQ((Rect{6, 42, std::max(6L, right), 44}), Placed(DetailsSeparator));
    EXPECT_EQ((Rect{254, 48, std::max(254L, right), 64}), Placed(PublisherValue));
    EXPECT_EQ((Rect{254, 64, std::max(254L, right), 80}), Placed(VersionValue));
    EXPECT_EQ((Rect{85, 48, 178, 64}), Placed(SizeValue));
    EXPECT_EQ((Rect{184, 64, 254, 80}), Placed(VersionLabel));
  }
};

TEST_F(MainWindowTest, TheMainWindowStartsAt10By10With780By500ShownNormally) {
  HWND main = MainWindow.GetHandle();
  EXPECT_EQ((Rect{10, 10, 790, 510}), ScreenRect(main));
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_FALSE(IsZoomed(main));
  EXPECT_FALSE(IsIconic(main));
  EXPECT_EQ("Quillmere", WindowText(main));
  EXPECT_NE(nullptr, MainWindow.GetIcon());
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(MainWindow.GetIcon()), GetClassLongPtrA(main, GCLP_HICON));
  EXPECT_NE(nullptr, GetMenu(main));
  EXPECT_EQ(GetMenu(main), MainWindow.GetMenu());
}

TEST_F(MainWindowTest, TheListIsAReportWithTheApplicationSizeAndCompanyColumns) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();

  EXPECT_EQ(static_cast<DWORD>(LVS_REPORT), ProgramList.GetView());
  EXPECT_EQ(LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE,
            Style(ProgramList) & (LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE));
  EXPECT_TRUE(ExStyle(ProgramList) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT,
            SendMessageA(ProgramList.GetHandle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ((std::vector<std::string>{"Application", "Size", "Company"}), ColumnHeaders());
}

TEST_F(MainWindowTest, TheControlsHaveTheirTextsAndStyles) {
  EXPECT_EQ("Search:", WindowText(SearchLabel.GetHandle()));
  EXPECT_EQ(SS_CENTER, Style(SearchLabel) & SS_TYPEMASK);
  EXPECT_TRUE(ExStyle(SearchEdit) & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(Style(SearchEdit) & ES_AUTOHSCROLL) << "the search text is limited to what fits the box";
  EXPECT_EQ("Remove", WindowText(RemoveButton.GetHandle()));
  EXPECT_EQ(BS_DEFPUSHBUTTON, Style(RemoveButton) & BS_TYPEMASK);
  EXPECT_EQ("Repair", WindowText(RepairButton.GetHandle()));
  EXPECT_EQ("", WindowText(ButtonAnchor.GetHandle()));
  EXPECT_EQ(SS_ETCHEDFRAME, Style(DetailsPanel) & SS_TYPEMASK);
  EXPECT_EQ(MainWindow.GetHandle(), GetParent(DetailsPanel.GetHandle()));
  const CWindow* const paneChildren[] = {&DetailsIcon, &DetailsTitle, &DetailsSeparator, &SizeLabel, &VersionValue};
  for (const CWindow* child : paneChildren) EXPECT_EQ(DetailsPanel.GetHandle(), GetParent(child->GetHandle()));
}

TEST_F(MainWindowTest, TheDetailsTitleFontIsABoldFifthLargerCopyOfTheGuiFont) {
  LOGFONTA gui = {}, title = {};
  ASSERT_TRUE(GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui));
  ASSERT_TRUE(DetailsTitle.GetLogFont(&title));
  EXPECT_EQ(FW_BOLD, title.lfWeight);
  EXPECT_EQ(static_cast<LONG>(gui.lfHeight * 1.2), title.lfHeight);
  EXPECT_STREQ(gui.lfFaceName, title.lfFaceName);
}

TEST_F(MainWindowTest, TheLayoutPlacesEveryChildFromTheClientSize) {
  ExpectLayout();
  ResizeClient(600, 400);
  ASSERT_EQ(600, ClientSize().cx);
  ExpectLayout();
  ResizeClient(900, 300);
  ExpectLayout();
  ResizeClient(200, 150);
  ExpectLayout();
}

TEST_F(MainWindowTest, ZeroSizesStayZero) {
  ResizeClient(640, 420);
  EXPECT_EQ(0, DetailsPanel.GetHeight());
  for (const CButton* button : {&RemoveButton, &RepairButton, &ButtonAnchor}) {
    RECT rect = {};
    GetWindowRect(button->GetHandle(), &rect);
    EXPECT_EQ(0, rect.right - rect.left);
  }
  RECT panel = {};
  GetWindowRect(DetailsPanel.GetHandle(), &panel);
  EXPECT_EQ(0, panel.bottom - panel.top);
  EXPECT_EQ(628, panel.right - panel.left);
}

TEST_F(MainWindowTest, WithoutTheDetailsPaneTheListIsSixPixelsTaller) {
  ResizeClient(600, 400);
  const Rect withPane = Placed(ProgramList);
  AppSettings.DetailsVisible = 0;
  LayoutMainWindow(600, 400, SIZE_RESTORED);
  EXPECT_EQ((Rect{0, 0, 600, withPane[3] + 6}), Placed(ProgramList));
  EXPECT_EQ(400 - 35 - StatusBarHeight(), Placed(ProgramList)[3]);
}

TEST_F(MainWindowTest, MinimisingEmptiesTheListAndRestoringBringsTheLayoutBack) {
  ResizeClient(600, 400);
  const std::vector<const CWindow*> children = {&ProgramList, &DetailsPanel, &SearchLabel, &SearchEdit,
                                                &ButtonAnchor, &RemoveButton, &RepairButton, &StatusBar};
  std::vector<Rect> before;
  for (const CWindow* child : children) before.push_back(Placed(*child));

  ShowWindow(MainWindow.GetHandle(), SW_MINIMIZE);
  PumpMessages();
  ASSERT_TRUE(IsIconic(MainWindow.GetHandle()));
  EXPECT_EQ(0, MainWindow.GetWidth());
  EXPECT_EQ(0, MainWindow.GetHeight());
  const Rect list = Placed(ProgramList);
  EXPECT_EQ(0, list[2] - list[0]);
  EXPECT_EQ(0, list[3] - list[1]);

  ShowWindow(MainWindow.GetHandle(), SW_RESTORE);
  PumpMessages();
  ASSERT_FALSE(IsIconic(MainWindow.GetHandle()));
  for (size_t i = 0; i < children.size(); ++i) EXPECT_EQ(before[i], Placed(*children[i])) << "child " << i;
  ExpectLayout();
}

}  // namespace
