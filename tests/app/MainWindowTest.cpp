#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

#include "actions/WindowObjects.h"
#include "support/AppSession.h"

namespace {

using Rect = std::vector<LONG>;  // left, top, right, bottom

Rect Placed(const CWindow& window) {
  RECT rect = RectInParent(window.GetHandle());
  return {rect.left, rect.top, rect.right, rect.bottom};
}

// Every child's place for the main window's client area.
void ExpectLayout() {
  RECT client = {}, bar = {};
  GetClientRect(MainWindow.GetHandle(), &client);
  GetWindowRect(StatusBar.GetHandle(), &bar);
  const LONG w = client.right, h = client.bottom, sb = bar.bottom - bar.top, pane = w - 18;
  EXPECT_EQ((Rect{w, h}), (Rect{MainWindow.GetWidth(), MainWindow.GetHeight()}));
  EXPECT_EQ((Rect{0, h - sb, w, h}), Placed(StatusBar));
  EXPECT_EQ((Rect{0, 0, w, h - 41 - sb}), Placed(ProgramList));
  EXPECT_EQ((Rect{6, h - 35 - sb, w - 6, h - 35 - sb}), Placed(DetailsPanel));
  EXPECT_EQ((Rect{6, h - 23 - sb, 46, h - 6 - sb}), Placed(SearchLabel));
  EXPECT_EQ((Rect{52, h - 28 - sb, 352, h - 6 - sb}), Placed(SearchEdit));
  EXPECT_EQ((Rect{w - 12, h - 28 - sb, w - 12, h - 5 - sb}), Placed(RemoveButton));
  EXPECT_EQ((Rect{w - 18, h - 28 - sb, w - 18, h - 5 - sb}), Placed(RepairButton));
  // The pane's children that follow its width (never narrower than 0); the others keep their places.
  EXPECT_EQ((Rect{50, 14, std::max(50L, pane), 34}), Placed(DetailsTitle));
  EXPECT_EQ((Rect{254, 48, std::max(254L, pane), 64}), Placed(PublisherValue));
  EXPECT_EQ((Rect{85, 48, 178, 64}), Placed(SizeValue));
}

using MainWindowTest = AppTest;

TEST_F(MainWindowTest, TheWindowStartsAt10By10With780By500AndPlacesEveryChildFromTheClientSize) {
  StartUp();
  HWND main = MainWindow.GetHandle();
  EXPECT_EQ((Rect{10, 10, 790, 510}), Placed(MainWindow));  // on the screen
  EXPECT_EQ("Quillmere", WindowText(main));
  EXPECT_EQ(static_cast<DWORD>(LVS_REPORT), ProgramList.GetView());
  EXPECT_EQ((std::vector<std::string>{"Application", "Size", "Company"}), ColumnHeaders());
  EXPECT_EQ("Search: Remove Repair",
            SearchLabel.GetText() + " " + RemoveButton.GetText() + " " + RepairButton.GetText());
  ExpectLayout();
  for (RECT frame : {RECT{0, 0, 200, 150}, RECT{0, 0, 600, 400}}) {  // client areas
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
    SetWindowPos(main, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
    ExpectLayout();
  }

  ShowWindow(main, SW_MINIMIZE);
  PumpMessages();
  ASSERT_TRUE(IsIconic(main));
  const Rect list = Placed(ProgramList);
  EXPECT_EQ((Rect{0, 0, 0, 0}),
            (Rect{MainWindow.GetWidth(), MainWindow.GetHeight(), list[2] - list[0], list[3] - list[1]}))
      << "the list is emptied";
  ShowWindow(main, SW_RESTORE);
  PumpMessages();
  EXPECT_EQ((Rect{600, 400}), (Rect{MainWindow.GetWidth(), MainWindow.GetHeight()}));
  ExpectLayout();
}

}  // namespace
