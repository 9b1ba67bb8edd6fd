#include "window/Controls.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "support/Gui.h"

namespace {

int SlotCalls = 0;

class ControlsTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    SlotCalls = 0;
  }
};

TEST_F(ControlsTest, EachWrapperNamesItsNativeClassAndDefaultGeometry) {
  CButton button;
  CEdit edit;
  CStatic label;
  CStatusBar bar;

  EXPECT_EQ("BUTTON", button.ClassName);
  EXPECT_EQ("EDIT", edit.ClassName);
  EXPECT_EQ("STATIC", label.ClassName);
  EXPECT_EQ("msctls_statusbar32", bar.ClassName);
  for (const CControl* control : {static_cast<CControl*>(&button), static_cast<CControl*>(&edit),
                                  static_cast<CControl*>(&label)}) {
    EXPECT_EQ(50, control->Width);
    EXPECT_EQ(50, control->Height);
    EXPECT_EQ(0, control->X);
    EXPECT_EQ(0, control->Y);
  }
  EXPECT_EQ(0, bar.Width);
  EXPECT_EQ(0, bar.Height);
}

TEST_F(ControlsTest, StaticIsCreatedWithItsCaptionAndStyle) {
  CStatic label;
  label.SetText("Search:");
  label.SetSize(40, 17);
  ASSERT_TRUE(label.Create(Parent, SS_CENTER));

  EXPECT_EQ("Search:", WindowText(label.Handle));
  EXPECT_EQ(SS_CENTER, GetWindowLongA(label.Handle, GWL_STYLE) & SS_TYPEMASK);
}

TEST_F(ControlsTest, ReadOnlyEditShowsTextSetAfterCreation) {
  CEdit value;
  ASSERT_TRUE(value.Create(Parent, ES_READONLY, WS_EX_CLIENTEDGE));

  value.SetText("12.5 MB");

  EXPECT_EQ("12.5 MB", WindowText(value.Handle));
  EXPECT_TRUE(GetWindowLongA(value.Handle, GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(GetWindowLongA(value.Handle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(ControlsTest, StaticSetIconReturnsTheIconShownBefore) {
  CStatic icon;
  ASSERT_TRUE(icon.Create(Parent, SS_ICON));
  HICON first = LoadIconA(nullptr, IDI_APPLICATION);
  HICON second = LoadIconA(nullptr, IDI_WARNING);

  icon.SetIcon(first);
  EXPECT_EQ(first, icon.SetIcon(second));
  EXPECT_EQ(second, reinterpret_cast<HICON>(SendMessageA(icon.Handle, STM_GETICON, 0, 0)));

  EXPECT_EQ(second, icon.SetIcon(nullptr));
  EXPECT_EQ(nullptr, reinterpret_cast<HICON>(SendMessageA(icon.Handle, STM_GETICON, 0, 0)));
}

TEST_F(ControlsTest, StatusBarPlacesItselfButKeepsItsStoredGeometryAtZero) {
  CStatusBar bar;
  bar.OnSize = [](int, int, WPARAM) { ++SlotCalls; };
  ASSERT_TRUE(bar.Create(Parent, SBARS_SIZEGRIP));

  SendMessageA(bar.Handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(600, 400));

  EXPECT_EQ(0, bar.Height);
  EXPECT_EQ(0, bar.Width);
  EXPECT_GT(bar.GetBarHeight(), 0);
  RECT rect = RectInParent(bar.Handle);
  EXPECT_EQ(400, rect.bottom);
  EXPECT_EQ(bar.GetBarHeight(), rect.bottom - rect.top);
  EXPECT_EQ(0, SlotCalls);
  EXPECT_EQ(nullptr, bar.ControlProc);
  EXPECT_EQ(0, GetWindowLongA(bar.Handle, GWL_USERDATA));
  EXPECT_TRUE(GetWindowLongA(bar.Handle, GWL_STYLE) & SBARS_SIZEGRIP);
}

TEST_F(ControlsTest, StatusBarShowsItsTextInItsOnlyPart) {
  CStatusBar bar;
  ASSERT_TRUE(bar.Create(Parent, 0));

  bar.SetText("42 programs");

  char shown[64] = {};
  SendMessageA(bar.Handle, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(shown));
  EXPECT_STREQ("42 programs", shown);
  EXPECT_EQ(1, SendMessageA(bar.Handle, SB_GETPARTS, 0, 0));
}

TEST_F(ControlsTest, StatusBarWithoutAWindowHasNoHeight) {
  CStatusBar bar;

  EXPECT_EQ(0, bar.GetBarHeight());
  EXPECT_FALSE(bar.Create(nullptr, 0));
}

}  // namespace
