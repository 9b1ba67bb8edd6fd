#include "window/Window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Gui.h"
#include "window/Controls.h"

namespace {

// Slots take no context, so they report here.
std::vector<std::string> Calls;
std::vector<int> Values;

class WindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    Calls.clear();
    Values.clear();
  }

  static void CreateMainWindow(CApplicationWindow& window) {
    window.ClassName = UniqueClassName();
    ASSERT_TRUE(window.Create(GetModuleHandleA(nullptr), SW_SHOWNORMAL));
  }
};

TEST_F(WindowTest, ControlIsCreatedWithTheTextAndGeometrySetBeforehand) {
  CButton& button = Make<CButton>();
  button.SetText("Remove");
  button.SetSize(80, 23);
  button.SetPosition(7, 9);
  EXPECT_EQ(nullptr, button.Handle);

  ASSERT_TRUE(button.Create(Parent, BS_DEFPUSHBUTTON));

  EXPECT_EQ("Remove", WindowText(button.Handle));
  RECT rect = RectInParent(button.Handle);
  EXPECT_EQ((std::vector<LONG>{7, 9, 87, 32}),
            (std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom}));
  EXPECT_EQ(BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE,
            GetWindowLongA(button.Handle, GWL_STYLE) & 0xFFFF000F);
  EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), button.GetFont());
}

TEST_F(WindowTest, MainWindowIsCreatedFromItsFieldsAndThenHoldsItsClientArea) {
  CApplicationWindow& window = Make<CApplicationWindow>();
  window.SetText("Quillmere");
  window.SetPosition(10, 10);
  window.SetSize(780, 500);
  CreateMainWindow(window);

  // WM_NCCREATE, which comes before WM_CREATE, must reach the default procedure: it stores the
  // caption, and creation fails without it.
  EXPECT_EQ("Quillmere", WindowText(window.Handle));
  RECT outer = {}, client = {};
  window.GetWindowRect(&outer);
  EXPECT_EQ((std::vector<LONG>{10, 10, 790, 510}),
            (std::vector<LONG>{outer.left, outer.top, outer.right, outer.bottom}));
  GetClientRect(window.Handle, &client);
  POINT origin = {0, 0};
  ClientToScreen(window.Handle, &origin);
  EXPECT_EQ((std::vector<int>{client.right, client.bottom, origin.x, origin.y}),
            (std::vector<int>{window.Width, window.Height, window.X, window.Y}));
}

TEST_F(WindowTest, TableMessagesWithEmptySlotsNeverReachTheDefaultProcedure) {
  CApplicationWindow& outer = Make<CApplicationWindow>();
  CApplicationWindow& inner = Make<CApplicationWindow>();
  outer.OnContextMenu = [](WPARAM, int, int) { Calls.push_back("outer OnContextMenu"); };
  CreateMainWindow(outer);
  CreateMainWindow(inner);
  // For a child window the default procedure would pass the request on to the parent.
  SetWindowLongA(inner.Handle, GWL_STYLE, WS_CHILD | WS_VISIBLE);
  SetParent(inner.Handle, outer.Handle);

  EXPECT_EQ(0,
            SendMessageA(inner.Handle, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(inner.Handle), 0));
  EXPECT_TRUE(Calls.empty());
  EXPECT_EQ(TRUE, SendMessageA(inner.Handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("renamed")));
  EXPECT_EQ("renamed", WindowText(inner.Handle));
}

TEST_F(WindowTest, ControlSlotsSeeMessagesAndTheControlStillHandlesThem) {
  CEdit& edit = Make<CEdit>();
  edit.OnChar = [](WPARAM wParam, LPARAM) { Values.push_back(static_cast<int>(wParam)); };
  ASSERT_TRUE(edit.Create(Parent));

  SendMessageA(edit.Handle, WM_CHAR, 'q', 1);

  EXPECT_EQ(std::vector<int>{'q'}, Values);
  EXPECT_EQ("q", edit.GetText());
}

TEST_F(WindowTest, LeftButtonReleaseCallsOnLButtonUpThenOnClickWithUnsignedPositions) {
  CButton& button = Make<CButton>();
  button.OnClick = [] { Calls.push_back("OnClick"); };
  button.OnLButtonUp = [](WPARAM wParam, int x, int y) {
    Calls.push_back("OnLButtonUp");
    Values = {static_cast<int>(wParam), x, y};
  };
  ASSERT_TRUE(button.Create(Parent));

  SendMessageA(button.Handle, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(-3, 7));

  EXPECT_EQ((std::vector<std::string>{"OnLButtonUp", "OnClick"}), Calls);
  EXPECT_EQ((std::vector<int>{MK_SHIFT, 65533, 7}), Values);
}

TEST_F(WindowTest, SizeAndMoveOfTheNativeWindowUpdateTheFields) {
  CStatic& label = Make<CStatic>();
  label.OnSize = [](int width, int height, WPARAM sizeType) {
    Values = {width, height, static_cast<int>(sizeType)};
  };
  ASSERT_TRUE(label.Create(Parent));

  MoveWindow(label.Handle, 11, 12, 60, 30, TRUE);

  EXPECT_EQ((std::vector<int>{11, 12, 60, 30}),
            (std::vector<int>{label.X, label.Y, label.Width, label.Height}));
  EXPECT_EQ((std::vector<int>{60, 30, SIZE_RESTORED}), Values);
}

TEST_F(WindowTest, DestroyingASubclassedControlRunsOnDestroyAndPostsQuit) {
  CEdit& edit = Make<CEdit>();
  edit.OnDestroy = [] {
    Calls.push_back(TakeQuitMessage() ? "quit before OnDestroy" : "OnDestroy");
  };
  ASSERT_TRUE(edit.Create(Parent));

  EXPECT_TRUE(edit.Destroy());

  EXPECT_EQ(std::vector<std::string>{"OnDestroy"}, Calls);
  WPARAM exitCode = 99;
  EXPECT_TRUE(TakeQuitMessage(&exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_NE(nullptr, edit.Handle);
}

TEST_F(WindowTest, GetTextOfAnEmptyWindowReturnsNothingAndClearsText) {
  CEdit& edit = Make<CEdit>();
  edit.SetText("abc");
  ASSERT_TRUE(edit.Create(Parent));

  SetWindowTextA(edit.Handle, "");

  EXPECT_EQ("", edit.GetText());
  EXPECT_EQ("", edit.Text);
}

TEST_F(WindowTest, StatusBarKeepsItsStoredHeightAtZeroWhileItHasARealOne) {
  CStatusBar& bar = Make<CStatusBar>();
  bar.OnSize = [](int, int, WPARAM) { Calls.push_back("bar OnSize"); };
  ASSERT_TRUE(bar.Create(Parent, SBARS_SIZEGRIP));

  SendMessageA(bar.Handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(600, 400));

  EXPECT_EQ(0, bar.Height);
  EXPECT_GT(bar.GetBarHeight(), 0);
  EXPECT_EQ(400, RectInParent(bar.Handle).bottom);
  EXPECT_TRUE(Calls.empty());
}

TEST_F(WindowTest, MessageLoopTurnsAcceleratorKeysOfChildrenIntoMainWindowCommands) {
  CApplicationWindow& window = Make<CApplicationWindow>();
  window.OnCommand = [](WPARAM wParam, LPARAM lParam) {
    if (lParam != 0) return;  // notifications of the edit field
    Values.push_back(static_cast<int>(wParam));
    if (LOWORD(wParam) == IDCANCEL) PostQuitMessage(0);
  };
  ACCEL refresh = {FVIRTKEY, VK_F5, 10013};
  window.SetAccelerators(CreateAcceleratorTableA(&refresh, 1));
  CreateMainWindow(window);
  CEdit& edit = Make<CEdit>();
  edit.OnKeyDown = [](WPARAM, LPARAM) { Calls.push_back("edit OnKeyDown"); };
  ASSERT_TRUE(edit.Create(window.Handle));

  PostMessageA(edit.Handle, WM_KEYDOWN, VK_F5, 1);
  PostMessageA(edit.Handle, WM_CHAR, 'a', 1);
  PostMessageA(window.Handle, WM_COMMAND, IDCANCEL, 0);
  window.RunMessageLoop();

  EXPECT_EQ((std::vector<int>{MAKEWPARAM(10013, 1), IDCANCEL}), Values);
  EXPECT_TRUE(Calls.empty());
  EXPECT_EQ("a", edit.GetText());
}

}  // namespace
