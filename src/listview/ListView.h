#pragma once
// The program list: a report-view list control that owns two image lists (normal and small
// icons), keeps count of its columns, and turns each operation into one message to the control.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "window/Window.h"

class CListView : public CControl {
 public:
  // NM_CLICK, LVN_ITEMCHANGED and LVN_COLUMNCLICK records all begin with the NMLISTVIEW fields.
  using NotificationHandler = void (*)(NMLISTVIEW* notification);
  // LVN_GETDISPINFO: the control asks for what an item of a callback value shows.
  using DisplayInfoHandler = void (*)(NMLVDISPINFOA* request);

  CListView();

  bool Create(HWND parent, DWORD style, DWORD exStyle);

  bool InsertColumn(const std::string& text, int width);
  bool DeleteColumn(int index);
  bool SetColumnWidth(int column, int width);
  int GetColumnWidth(int column) const;
  // Fits each column to its cells and its header's text, except the one at keptColumn (-1: none),
  // whose cells the control asks for (AskItemText): fitting it would ask for every one.
  void AutoSizeColumns(int keptColumn);
  HWND GetHeader() const;
  // Puts the header's sort arrow on the column at that position (up when ascending), and takes
  // it off every other column; -1 leaves none.
  void SetSortArrow(int position, bool ascending);

  // Appends an item; image 0 leaves the image to the control's default, I_IMAGECALLBACK has the
  // control ask for it (OnGetDisplayInfo).
  int InsertItem(const std::string& text, LPARAM parameter, int image);
  // Sets the text only; image is carried along but has no effect.
  void SetItem(const std::string& text, int item, int subItem, int image);
  void SetItemText(const std::string& text, int item, int subItem);
  // Has the control ask for the cell's text when it shows it (OnGetDisplayInfo).
  void AskItemText(int item, int subItem);
  bool DeleteAllItems();
  bool SortItems(PFNLVCOMPARE compare, LPARAM sortParameter);
  LPARAM GetItemParam(int index) const;

  int GetSelectedCount() const;
  int GetSelectedIndex() const;
  // Shows an error box when nothing is selected and returns 0.
  LPARAM GetSelectedItemParam() const;
  // Selects the item and makes it the focused one, where the arrow keys move on from.
  bool SelectItem(int index);
  // A new icon that the caller owns, or null when nothing is selected.
  HICON GetSelectedItemIcon(bool smallIcon) const;
  // The rectangle of the item's label, in the list's client coordinates; false for no such item.
  bool GetItemLabelRect(int index, RECT* rect) const;
  int GetTopIndex() const;
  bool Scroll(int dx, int dy);
  bool EnsureVisible(int index, bool partly);
  DWORD SetExtendedStyle(DWORD styles);
  void SetView(DWORD view);
  DWORD GetView() const;

  // Replaces both image lists with empty ones of the DPI's icon sizes, and keeps the DPI.
  void SetDpi(UINT dpi);
  // The width (and height) of the images of the small or the normal list.
  int GetIconSize(bool smallIcon) const;
  int AddLargeIcon(HICON icon);
  int AddSmallIcon(HICON icon);
  bool RemoveAllIcons();
  int GetImageCount() const;

  void SetRedraw(bool redraw);

  // The DPI that the icons and the column widths are for.
  UINT Dpi = 96;
  // The handlers of the list's notifications, which the main window passes on.
  NotificationHandler OnItemClick = nullptr;
  NotificationHandler OnItemChanged = nullptr;
  NotificationHandler OnColumnClick = nullptr;
  DisplayInfoHandler OnGetDisplayInfo = nullptr;

  int32_t ColumnCount = 0;
  // Never lowered, so that each new item is placed after all present ones.
  int32_t NextItemIndex = 0;
  HIMAGELIST LargeImages = nullptr;
  HIMAGELIST SmallImages = nullptr;

 private:
  // Widths that the control fitted to columns other than the last, by FitKey.
  std::unordered_map<uint64_t, int> FittedWidths;
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;
  std::string HeaderText(int column) const;
  int HeaderTextWidth(int column) const;
  bool ReadCellTexts(int column, std::vector<std::string>& texts) const;
  bool CellsFit(std::vector<std::string> texts, int width) const;
  uint64_t FitKey(int column, const std::vector<std::string>& texts) const;
  void SetCell(char* text, int item, int subItem, int image);
};
