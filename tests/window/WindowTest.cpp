#include "window/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Gui.h"
#include "window/Controls.h"

namespace {

// Slots take no context, so they report to these.
std::vector<std::string> Calls;
std::vector<WPARAM> WParams;
std::vector<int> Xs, Ys;

void RecordPoint(const char* name, WPARAM wParam, int x, int y) {
  Calls.push_back(name);
  WParams.push_back(wParam);
  Xs.push_back(x);
  Ys.push_back(y);
}

class WindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    Calls.clear();
    WParams.clear();
    Xs.clear();
    Ys.clear();
  }

  static void CreateMainWindow(CApplicationWindow& window) {
    window.ClassName = UniqueClassName();
    ASSERT_TRUE(window.Create(GetModuleHandleA(nullptr), SW_SHOWNORMAL));
    PumpMessages();
  }
};

TEST_F(WindowTest, SettersBeforeCreationOnlyStoreTheFields) {
  CButton button;
  button.SetText("Remove");
  button.SetSize(80, 23);
  button.SetPosition(7, 9);

  EXPECT_EQ(nullptr, button.GetHandle());
  EXPECT_EQ("Remove", button.GetText());
  EXPECT_EQ(80, button.GetWidth());
  EXPECT_EQ(23, button.GetHeight());
  EXPECT_EQ(7, button.GetX());
  EXPECT_EQ(9, button.GetY());
}

TEST_F(WindowTest, ControlIsCreatedWithTheTextAndGeometrySetBeforehand) {
  CButton button;
  button.SetText("Remove");
  button.SetSize(80, 23);
  button.SetPosition(7, 9);
  ASSERT_TRUE(button.Create(Parent, BS_DEFPUSHBUTTON));

  EXPECT_EQ("Remove", WindowText(button.Handle));
  RECT rect = RectInParent(button.Handle);
  EXPECT_EQ(7, rect.left);
  EXPECT_EQ(9, rect.top);
  EXPECT_EQ(87, rect.right);
  EXPECT_EQ(32, rect.bottom);
  LONG style = GetWindowLongA(button.Handle, GWL_STYLE);
  EXPECT_EQ(WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON,
            style & (WS_CHILD | WS_VISIBLE | BS_TYPEMASK));
  EXPECT_EQ(0, GetDlgCtrlID(button.Handle));
  EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), button.GetFont());
  EXPECT_EQ(&button, reinterpret_cast<CWindow*>(GetWindowLongA(button.Handle, GWL_USERDATA)));
  EXPECT_NE(nullptr, button.ControlProc);
}

TEST_F(WindowTest, ControlCreationFailsForAnUnknownWindowClass) {
  CControl control;
  control.ClassName = "NoSuchWindowClass";

  EXPECT_FALSE(control.Create(Parent));
  EXPECT_EQ(nullptr, control.Handle);
  EXPECT_EQ(nullptr, control.ControlProc);
}

TEST_F(WindowTest, ControlSlotsSeeMessagesAndTheControlStillHandlesThem) {
  CEdit edit;
  edit.OnChar = [](WPARAM wParam, LPARAM) { WParams.push_back(wParam); };
  ASSERT_TRUE(edit.Create(Parent));

  SendMessageA(edit.Handle, WM_CHAR, 'q', 1);

  EXPECT_EQ(std::vector<WPARAM>{'q'}, WParams);
  EXPECT_EQ("q", edit.GetText());
}

TEST_F(WindowTest, LeftButtonReleaseCallsOnLButtonUpThenOnClick) {
  CButton button;
  button.OnClick = [] { Calls.push_back("OnClick"); };
  button.OnLButtonUp = [](WPARAM wParam, int x, int y) { RecordPoint("OnLButtonUp", wParam, x, y); };
  ASSERT_TRUE(button.Create(Parent));

  SendMessageA(button.Handle, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(12, 7));

  EXPECT_EQ((std::vector<std::string>{"OnLButtonUp", "OnClick"}), Calls);
  EXPECT_EQ(std::vector<WPARAM>{MK_SHIFT}, WParams);
  EXPECT_EQ(std::vector<int>{12}, Xs);
  EXPECT_EQ(std::vector<int>{7}, Ys);
}

TEST_F(WindowTest, OnClickAloneFiresOnEveryLeftButtonRelease) {
  CButton button;
  button.SetSize(0, 23);
  button.SetText("Repair");
  button.OnClick = [] { Calls.push_back("OnClick"); };
  ASSERT_TRUE(button.Create(Parent));

  SendMessageA(button.Handle, WM_LBUTTONUP, 0, 0);
  SendMessageA(button.Handle, WM_LBUTTONUP, 0, MAKELPARAM(500, 500));

  EXPECT_EQ(2u, Calls.size());
  EXPECT_EQ("Repair", WindowText(button.Handle));
}

TEST_F(WindowTest, OtherSlotsReceiveTheirMessageParameters) {
  CStatic label;
  label.OnDoubleClick = [] { Calls.push_back("OnDoubleClick"); };
  label.OnTimer = [](WPARAM wParam, LPARAM) { RecordPoint("OnTimer", wParam, 0, 0); };
  label.OnCommand = [](WPARAM wParam, LPARAM lParam) { RecordPoint("OnCommand", wParam, static_cast<int>(lParam), 0); };
  label.OnNotify = [](WPARAM wParam, LPARAM) { RecordPoint("OnNotify", wParam, 0, 0); };
  label.OnKeyDown = [](WPARAM wParam, LPARAM) { RecordPoint("OnKeyDown", wParam, 0, 0); };
  label.OnKeyUp = [](WPARAM wParam, LPARAM) { RecordPoint("OnKeyUp", wParam, 0, 0); };
  label.OnDeadChar = [](WPARAM wParam, LPARAM) { RecordPoint("OnDeadChar", wParam, 0, 0); };
  label.OnSizing = [](WPARAM wParam, LPARAM) { RecordPoint("OnSizing", wParam, 0, 0); };
  ASSERT_TRUE(label.Create(Parent));
  RECT sizing = {0, 0, 10, 10};
  NMHDR notification = {label.Handle, 0, 0};

  SendMessageA(label.Handle, WM_LBUTTONDBLCLK, 0, 0);
  SendMessageA(label.Handle, WM_TIMER, 0, 0);
  SendMessageA(label.Handle, WM_COMMAND, MAKEWPARAM(10013, 1), 77);
  SendMessageA(label.Handle, WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&notification));
  SendMessageA(label.Handle, WM_KEYDOWN, VK_RETURN, 0);
  SendMessageA(label.Handle, WM_KEYUP, VK_F5, 0);
  SendMessageA(label.Handle, WM_DEADCHAR, '^', 0);
  SendMessageA(label.Handle, WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&sizing));

  EXPECT_EQ((std::vector<std::string>{"OnDoubleClick", "OnTimer", "OnCommand", "OnNotify", "OnKeyDown",
                                      "OnKeyUp", "OnDeadChar", "OnSizing"}),
            Calls);
  EXPECT_EQ((std::vector<WPARAM>{0, MAKEWPARAM(10013, 1), 5, VK_RETURN, VK_F5, '^', WMSZ_BOTTOM}), WParams);
  EXPECT_EQ(77, Xs[1]);
}

TEST_F(WindowTest, SizeAndMoveOfTheNativeWindowUpdateTheFields) {
  CStatic label;
  label.OnSize = [](int width, int height, WPARAM sizeType) { RecordPoint("OnSize", sizeType, width, height); };
  ASSERT_TRUE(label.Create(Parent));

  MoveWindow(label.Handle, 11, 12, 60, 30, TRUE);

  EXPECT_EQ(11, label.X);
  EXPECT_EQ(12, label.Y);
  EXPECT_EQ(60, label.Width);
  EXPECT_EQ(30, label.Height);
  EXPECT_EQ(std::vector<int>{60}, Xs);
  EXPECT_EQ(std::vector<int>{30}, Ys);
  EXPECT_EQ(std::vector<WPARAM>{SIZE_RESTORED}, WParams);
}

TEST_F(WindowTest, SetSizeAndSetPositionOfACreatedWindowMoveOnlyWhatTheyName) {
  CStatic label;
  label.SetPosition(5, 6);
  label.SetSize(40, 20);
  ASSERT_TRUE(label.Create(Parent));

  label.SetPosition(20, 30);
  RECT moved = RectInParent(label.Handle);
  label.SetSize(70, 45);
  RECT resized = RectInParent(label.Handle);

  EXPECT_EQ(20, moved.left);
  EXPECT_EQ(30, moved.top);
  EXPECT_EQ(40, moved.right - moved.left);
  EXPECT_EQ(20, resized.left);
  EXPECT_EQ(30, resized.top);
  EXPECT_EQ(70, resized.right - resized.left);
  EXPECT_EQ(45, resized.bottom - resized.top);
}

TEST_F(WindowTest, PositionsAndSizesFromLParamAreWidenedWithoutSign) {
  CStatic label;
  label.OnContextMenu = [](WPARAM wParam, int x, int y) { RecordPoint("OnContextMenu", wParam, x, y); };
  label.OnMouseMove = [](WPARAM wParam, int x, int y) { RecordPoint("OnMouseMove", wParam, x, y); };
  ASSERT_TRUE(label.Create(Parent));

  SendMessageA(label.Handle, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(label.Handle), -1);
  SendMessageA(label.Handle, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-3, 4));
  SendMessageA(label.Handle, WM_MOVE, 0, MAKELPARAM(-1, -2));
  SendMessageA(label.Handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(1, -1));

  EXPECT_EQ((std::vector<int>{65535, 65533}), Xs);
  EXPECT_EQ((std::vector<int>{65535, 4}), Ys);
  EXPECT_EQ(reinterpret_cast<WPARAM>(label.Handle), WParams[0]);
  EXPECT_EQ(65535, label.X);
  EXPECT_EQ(65534, label.Y);
  EXPECT_EQ(1, label.Width);
  EXPECT_EQ(65535, label.Height);
}

TEST_F(WindowTest, DestroyingASubclassedControlRunsOnDestroyAndPostsQuit) {
  CEdit edit;
  edit.OnDestroy = [] { Calls.push_back(TakeQuitMessage() ? "quit before OnDestroy" : "OnDestroy"); };
  ASSERT_TRUE(edit.Create(Parent));
  HWND handle = edit.Handle;

  EXPECT_TRUE(edit.Destroy());

  EXPECT_EQ(std::vector<std::string>{"OnDestroy"}, Calls);
  WPARAM exitCode = 99;
  EXPECT_TRUE(TakeQuitMessage(&exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_EQ(handle, edit.Handle);
}

TEST_F(WindowTest, GetTextReadsTheNativeTextAndEmptyTextClearsIt) {
  CEdit edit;
  edit.SetText("abc");
  ASSERT_TRUE(edit.Create(Parent));

  SetWindowTextA(edit.Handle, "typed");
  EXPECT_EQ("typed", edit.GetText());
  EXPECT_EQ("typed", edit.Text);

  SetWindowTextA(edit.Handle, "");
  EXPECT_EQ("", edit.GetText());
  EXPECT_EQ("", edit.Text);
}

TEST_F(WindowTest, FontAccessorsReadAndReplaceTheControlFont) {
  CEdit edit;
  ASSERT_TRUE(edit.Create(Parent));
  LOGFONTA expected = {}, actual = {};
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof expected, &expected);

  ASSERT_TRUE(edit.GetLogFont(&actual));
  EXPECT_EQ(expected.lfHeight, actual.lfHeight);
  EXPECT_STREQ(expected.lfFaceName, actual.lfFaceName);

  actual.lfWeight = FW_BOLD;
  HFONT bold = CreateFontIndirectA(&actual);
  edit.SetFont(bold);
  EXPECT_EQ(bold, edit.GetFont());
  DeleteObject(bold);
}

TEST_F(WindowTest, MainWindowDefaultsLetThePlatformPlaceIt) {
  CApplicationWindow window;

  EXPECT_EQ("CApplicationWindow", window.ClassName);
  EXPECT_EQ(CW_USEDEFAULT, window.X);
  EXPECT_EQ(CW_USEDEFAULT, window.Y);
  EXPECT_EQ(544, window.Width);
  EXPECT_EQ(375, window.Height);
}

TEST_F(WindowTest, MainWindowIsCreatedFromItsFieldsAndThenHoldsItsClientArea) {
  CApplicationWindow window;
  window.SetText("Quillmere");
  window.SetPosition(10, 10);
  window.SetSize(780, 500);
  HMENU menu = CreateMenu();
  AppendMenuA(menu, MF_STRING, 1, "&File");
  window.SetMenu(menu);
  window.SetIcon(LoadIconA(nullptr, IDI_APPLICATION));
  CreateMainWindow(window);

  // The caption is stored by the default handling of WM_NCCREATE, which arrives before
  // WM_CREATE; without it the creation would fail altogether.
  EXPECT_EQ("Quillmere", WindowText(window.Handle));
  EXPECT_TRUE(IsWindowVisible(window.Handle));
  EXPECT_EQ(menu, GetMenu(window.Handle));
  RECT outer = {};
  ASSERT_TRUE(window.GetWindowRect(&outer));
  EXPECT_EQ(10, outer.left);
  EXPECT_EQ(10, outer.top);
  EXPECT_EQ(790, outer.right);
  EXPECT_EQ(510, outer.bottom);

  RECT client = {};
  GetClientRect(window.Handle, &client);
  POINT origin = {0, 0};
  ClientToScreen(window.Handle, &origin);
  EXPECT_EQ(client.right, window.GetWidth());
  EXPECT_EQ(client.bottom, window.GetHeight());
  EXPECT_LT(window.GetWidth(), 780);
  EXPECT_EQ(origin.x, window.GetX());
  EXPECT_EQ(origin.y, window.GetY());
  EXPECT_EQ(&window, reinterpret_cast<CWindow*>(GetWindowLongA(window.Handle, GWL_USERDATA)));
}

TEST_F(WindowTest, MainWindowClassIsRegisteredWithItsIconAndDoubleClicks) {
  CApplicationWindow window;
  HICON icon = LoadIconA(nullptr, IDI_WARNING);
  window.SetIcon(icon);
  CreateMainWindow(window);

  WNDCLASSEXA registered = {};
  registered.cbSize = sizeof registered;
  ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), window.ClassName.c_str(), &registered));
  EXPECT_EQ(static_cast<UINT>(CS_DBLCLKS), registered.style);
  EXPECT_EQ(icon, registered.hIcon);
  EXPECT_EQ(nullptr, registered.hCursor);
  EXPECT_EQ(reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), registered.hbrBackground);
  EXPECT_EQ(icon, window.GetIcon());
}

TEST_F(WindowTest, MainWindowCreationFailsWhenItsClassIsAlreadyRegistered) {
  CApplicationWindow first, second;
  CreateMainWindow(first);
  second.ClassName = first.ClassName;

  EXPECT_FALSE(second.Create(GetModuleHandleA(nullptr), SW_SHOWNORMAL));
  EXPECT_EQ(nullptr, second.Handle);
}

TEST_F(WindowTest, SlotsWiredBeforeCreationRunWhileTheWindowIsBeingCreated) {
  CApplicationWindow window;
  window.OnSize = [](int width, int height, WPARAM sizeType) { RecordPoint("OnSize", sizeType, width, height); };
  window.ClassName = UniqueClassName();

  ASSERT_TRUE(window.Create(GetModuleHandleA(nullptr), SW_SHOWNORMAL));

  ASSERT_FALSE(Calls.empty());
  EXPECT_EQ(window.Width, Xs.back());
  EXPECT_EQ(window.Height, Ys.back());
}

TEST_F(WindowTest, TableMessagesWithEmptySlotsNeverReachTheDefaultProcedure) {
  CApplicationWindow outer, inner;
  outer.OnContextMenu = [](WPARAM wParam, int x, int y) { RecordPoint("outer OnContextMenu", wParam, x, y); };
  CreateMainWindow(outer);
  CreateMainWindow(inner);
  // As a child, the default procedure would pass the context menu request on to the parent.
  SetWindowLongA(inner.Handle, GWL_STYLE, WS_CHILD | WS_VISIBLE);
  SetParent(inner.Handle, outer.Handle);

  EXPECT_EQ(0, SendMessageA(inner.Handle, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(inner.Handle), MAKELPARAM(5, 5)));
  EXPECT_TRUE(Calls.empty());

  // Messages outside the table still get the default handling.
  EXPECT_EQ(TRUE, SendMessageA(inner.Handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("renamed")));
  EXPECT_EQ("renamed", WindowText(inner.Handle));
}

TEST_F(WindowTest, DestroyingTheMainWindowRunsOnDestroyAndPostsQuit) {
  CApplicationWindow window;
  window.OnDestroy = [] { Calls.push_back("OnDestroy"); };
  CreateMainWindow(window);

  EXPECT_TRUE(window.Destroy());

  EXPECT_EQ(std::vector<std::string>{"OnDestroy"}, Calls);
  WPARAM exitCode = 99;
  EXPECT_TRUE(TakeQuitMessage(&exitCode));
  EXPECT_EQ(0u, exitCode);
}

class MessageLoopTest : public WindowTest {
 protected:
  static const UINT_PTR SafetyTimer = 99;
  static const WORD RefreshCommand = 10013;

  void SetUp() override {
    WindowTest::SetUp();
    Window.OnCommand = [](WPARAM wParam, LPARAM lParam) {
      if (lParam != 0) return;  // notifications of the edit field
      RecordPoint("OnCommand", wParam, 0, 0);
      if (LOWORD(wParam) == IDCANCEL) PostQuitMessage(0);
    };
    Window.OnTimer = [](WPARAM, LPARAM) {
      Calls.push_back("timed out");
      PostQuitMessage(0);
    };
    CreateMainWindow(Window);
    Edit.OnKeyDown = [](WPARAM wParam, LPARAM) { RecordPoint("edit OnKeyDown", wParam, 0, 0); };
    ASSERT_TRUE(Edit.Create(Window.Handle));
    SetTimer(Window.Handle, SafetyTimer, 5000, nullptr);
  }

  void TearDown() override {
    DestroyAcceleratorTable(Window.Accelerators);
    WindowTest::TearDown();
  }

  void PostKeysToTheEditAndRunTheLoop() {
    PostMessageA(Edit.Handle, WM_CHAR, 'a', 1);
    PostMessageA(Edit.Handle, WM_KEYDOWN, VK_F5, 1);
    PostMessageA(Edit.Handle, WM_KEYUP, VK_F5, 0xC0000001);
    PostMessageA(Window.Handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);  // ends the loop
    Window.RunMessageLoop();
  }

  CApplicationWindow Window;
  CEdit Edit;
};

TEST_F(MessageLoopTest, AcceleratorKeysForAChildBecomeCommandsOfTheMainWindow) {
  ACCEL refresh = {FVIRTKEY, VK_F5, RefreshCommand};
  Window.SetAccelerators(CreateAcceleratorTableA(&refresh, 1));

  PostKeysToTheEditAndRunTheLoop();

  EXPECT_EQ((std::vector<std::string>{"OnCommand", "OnCommand"}), Calls);
  EXPECT_EQ((std::vector<WPARAM>{MAKEWPARAM(RefreshCommand, 1), MAKEWPARAM(IDCANCEL, 0)}), WParams);
  EXPECT_EQ("a", Edit.GetText());
}

TEST_F(MessageLoopTest, WithoutAcceleratorsKeysReachTheControl) {
  PostKeysToTheEditAndRunTheLoop();

  EXPECT_EQ((std::vector<std::string>{"edit OnKeyDown", "OnCommand"}), Calls);
  EXPECT_EQ((std::vector<WPARAM>{VK_F5, MAKEWPARAM(IDCANCEL, 0)}), WParams);
  EXPECT_EQ("a", Edit.GetText());
}

}  // namespace
