#include "window/Window.h"

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

TEST_F(WindowTest, MessagesOfTheDispatchTableWithEmptySlotsNeverReachTheDefaultProcedure) {
  CApplicationWindow& outer = Make<CApplicationWindow>();
  CApplicationWindow& inner = Make<CApplicationWindow>();
  outer.OnContextMenu = [](WPARAM, int, int) { Calls.push_back("outer OnContextMenu"); };
  CreateMainWindow(outer);
  CreateMainWindow(inner);
  // For a child window the default procedure would pass the request on to the parent.
  SetWindowLongA(inner.Handle, GWL_STYLE, WS_CHILD | WS_VISIBLE);
  SetParent(inner.Handle, outer.Handle);

  EXPECT_EQ(0, SendMessageA(inner.Handle, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(inner.Handle), 0));
  EXPECT_TRUE(Calls.empty());
  EXPECT_EQ(TRUE, SendMessageA(inner.Handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("renamed")));
  EXPECT_EQ("renamed", WindowText(inner.Handle));
}

TEST_F(WindowTest, ControlSlotsSeeMessagesThatTheControlStillHandles) {
  CEdit& edit = Make<CEdit>();
  edit.OnChar = [](WPARAM wParam, LPARAM) { Values.push_back(static_cast<int>(wParam)); };
  ASSERT_TRUE(edit.Create(Parent));

  SendMessageA(edit.Handle, WM_CHAR, 'q', 1);
  EXPECT_EQ(std::vector<int>{'q'}, Values);
  EXPECT_EQ("q", edit.GetText());

  SetWindowTextA(edit.Handle, "");
  EXPECT_EQ("", edit.GetText());
  EXPECT_EQ("", edit.Text);
}

TEST_F(WindowTest, TheMessageLoopTurnsAcceleratorKeysOfChildrenIntoMainWindowCommands) {
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
