#include "listview/ListView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Gui.h"
#include "support/MessageBoxCatcher.h"

namespace {

class ListViewTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ASSERT_TRUE(
        List.Create(Parent, LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE, WS_EX_CLIENTEDGE));
    List.InsertColumn("Application", 180);
  }

  void AddItems(int count) {
    for (int i = 0; i < count; ++i) List.InsertItem("Program", 100 + i, 0);
  }

  void AddIconPair() {
    HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
    List.AddLargeIcon(icon);
    List.AddSmallIcon(icon);
  }

  static int IconWidth(HICON icon) {
    ICONINFO info = {};
    GetIconInfo(icon, &info);
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    return bitmap.bmWidth;
  }

  CListView List;
};

TEST_F(ListViewTest, CreationMakesASubclassedReportViewWithIconListsOfTheSystemSizes) {
  int width = 0, height = 0;
  ImageList_GetIconSize(List.LargeImages, &width, &height);
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), width);
  EXPECT_EQ(GetSystemMetrics(SM_CYICON), height);
  ImageList_GetIconSize(List.SmallImages, &width, &height);
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), width);
  EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), height);
  EXPECT_EQ(List.SmallImages, reinterpret_cast<HIMAGELIST>(
                                  SendMessageA(List.Handle, LVM_GETIMAGELIST, LVSIL_SMALL, 0)));
  EXPECT_EQ(static_cast<DWORD>(LVS_REPORT), List.GetView());
  EXPECT_EQ(&List, reinterpret_cast<CWindow*>(GetWindowLongA(List.Handle, GWL_USERDATA)));
}

TEST_F(ListViewTest, DeleteColumnCountsOnlyColumnsTheControlRemoved) {
  List.InsertColumn("Size", 100);
  List.InsertColumn("Company", 100);

  EXPECT_TRUE(List.DeleteColumn(1));
  EXPECT_FALSE(List.DeleteColumn(7));

  EXPECT_EQ(2, List.ColumnCount);
  EXPECT_EQ(2, SendMessageA(List.GetHeader(), HDM_GETITEMCOUNT, 0, 0));
}

TEST_F(ListViewTest, AutoSizeColumnsSendsOneMessagePerCountedColumn) {
  MessageSpy spy(List.Handle);
  List.AutoSizeColumns();
  ASSERT_EQ(1u, spy.Of(LVM_SETCOLUMNWIDTH).size());
  EXPECT_EQ(0xFFFE, spy.Of(LVM_SETCOLUMNWIDTH)[0].LParam);

  List.DeleteColumn(0);
  spy.Clear();
  List.AutoSizeColumns();
  EXPECT_TRUE(spy.Of(LVM_SETCOLUMNWIDTH).empty());
}

TEST_F(ListViewTest, InsertAfterDeleteAllItemsStillAppendsAtTheStart) {
  AddItems(2);
  EXPECT_TRUE(List.DeleteAllItems());

  EXPECT_EQ(0, List.InsertItem("After", 7, 0));
  EXPECT_EQ(1, List.InsertItem("Later", 8, 0));

  EXPECT_EQ(4, List.NextItemIndex);
  EXPECT_EQ(7, List.GetItemParam(0));
}

TEST_F(ListViewTest, InsertItemWithImageZeroSendsNoImage) {
  MessageSpy spy(List.Handle);
  std::vector<LVITEMA> inserted;
  spy.WhileArriving([&inserted](const SpiedMessage& message) {
    if (message.Message == LVM_INSERTITEMA)
      inserted.push_back(*reinterpret_cast<LVITEMA*>(message.LParam));
  });

  List.InsertItem("Default icon", 1, 0);
  List.InsertItem("Own icon", 2, 3);

  ASSERT_EQ(2u, inserted.size());
  EXPECT_EQ(static_cast<UINT>(LVIF_TEXT | LVIF_PARAM), inserted[0].mask);
  EXPECT_EQ(static_cast<UINT>(LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM), inserted[1].mask);
  EXPECT_EQ(3, inserted[1].iImage);
}

TEST_F(ListViewTest, SetViewWritesTheStyleOnlyWhenTheViewChanges) {
  MessageSpy spy(List.Handle);

  List.SetView(LVS_REPORT);
  EXPECT_TRUE(spy.Of(WM_STYLECHANGING).empty());

  List.SetView(LVS_LIST);
  EXPECT_EQ(static_cast<DWORD>(LVS_LIST), List.GetView());
  EXPECT_EQ(0x10C, GetWindowLongA(List.Handle, GWL_STYLE) & 0x10C);
}

TEST_F(ListViewTest, RemoveAllIconsEmptiesTheSmallIconsOnlyAfterTheLargeOnes) {
  AddIconPair();
  HIMAGELIST large = List.LargeImages;
  List.LargeImages = nullptr;
  EXPECT_FALSE(List.RemoveAllIcons());
  EXPECT_EQ(1, ImageList_GetImageCount(List.SmallImages));

  List.LargeImages = large;
  EXPECT_TRUE(List.RemoveAllIcons());
  EXPECT_EQ(0, ImageList_GetImageCount(List.LargeImages));
  EXPECT_EQ(0, ImageList_GetImageCount(List.SmallImages));
}

TEST_F(ListViewTest, SelectedItemIconIsNullWithoutSelectionAndOfTheAskedSizeWithIt) {
  AddIconPair();
  AddIconPair();
  List.InsertItem("Program", 1, 1);
  MessageBoxCatcher boxes;

  EXPECT_EQ(nullptr, List.GetSelectedItemIcon(false));
  EXPECT_TRUE(boxes.Boxes().empty());

  List.SelectItem(0);
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), IconWidth(List.GetSelectedItemIcon(false)));
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), IconWidth(List.GetSelectedItemIcon(true)));
}

TEST_F(ListViewTest, SelectedItemParamWithoutSelectionShowsAnErrorAndGivesZero) {
  AddItems(2);
  MessageBoxCatcher boxes;

  EXPECT_EQ(0, List.GetSelectedItemParam());

  ASSERT_EQ(1u, boxes.Boxes().size());
  EXPECT_EQ("CListView::GetSelectedItemParam - No selected item found", boxes.Boxes()[0].Text);
  EXPECT_EQ("", boxes.Boxes()[0].Caption);
  EXPECT_EQ(nullptr, boxes.Boxes()[0].Owner);
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), boxes.Boxes()[0].Style);

  List.SelectItem(1);
  EXPECT_EQ(101, List.GetSelectedItemParam());
  EXPECT_EQ(1u, boxes.Boxes().size());
}

TEST_F(ListViewTest, SelectItemPastTheEndSelectsNothing) {
  AddItems(2);

  EXPECT_FALSE(List.SelectItem(2));

  EXPECT_EQ(0, List.GetSelectedCount());
  EXPECT_EQ(-1, List.GetSelectedIndex());
}

}  // namespace
