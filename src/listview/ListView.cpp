#include "listview/ListView.h"

#include <utility>

#include "window/Dpi.h"

namespace {

const UINT IconListFlags = ILC_COLOR32 | ILC_MASK;  // icons with an alpha channel keep their smooth edges

HIMAGELIST CreateIconList(int widthMetric, int heightMetric, UINT dpi) {
  return ImageList_Create(SystemMetricForDpi(widthMetric, dpi), SystemMetricForDpi(heightMetric, dpi), IconListFlags, 1,
                          1);
}

LPARAM ItemAddress(const LVITEMA& item) { return reinterpret_cast<LPARAM>(&item); }

}  // namespace

CListView::CListView() {
  ClassName = WC_LISTVIEWA;
  Width = 200;
  Height = 200;
}

LRESULT CListView::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return SendMessageA(Handle, message, wParam, lParam);
}

bool CListView::Create(HWND parent, DWORD style, DWORD exStyle) {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  Handle = CreateWindowExA(exStyle, ClassName.c_str(), nullptr, style | WS_CHILD | WS_VISIBLE | LVS_REPORT, X, Y, Width,
                           Height, parent, nullptr, ParentInstance(parent), static_cast<CWindow*>(this));
  if (!Handle) return false;
  SetDpi(WindowDpi(Handle));
  Subclass();
  return true;
}

// The control destroys only the image lists that it holds when it goes: the ones replaced here are
// destroyed at once.
void CListView::SetDpi(UINT dpi) {
  Dpi = dpi;
  LargeImages = CreateIconList(SM_CXICON, SM_CYICON, dpi);
  SmallImages = CreateIconList(SM_CXSMICON, SM_CYSMICON, dpi);
  for (const auto& [which, images] :
       {std::make_pair(LVSIL_NORMAL, LargeImages), std::make_pair(LVSIL_SMALL, SmallImages)})
    if (auto replaced = reinterpret_cast<HIMAGELIST>(Send(LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(images))))
      ImageList_Destroy(replaced);
}

int CListView::GetIconSize(bool smallIcon) const {
  int width = 0, height = 0;
  ImageList_GetIconSize(smallIcon ? SmallImages : LargeImages, &width, &height);
  return width;
}

int CListView::InsertItem(const std::string& text, LPARAM parameter, int image) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = NextItemIndex;
  item.pszText = const_cast<char*>(text.c_str());
  item.lParam = parameter;
  if (image != 0) {
    item.mask |= LVIF_IMAGE;
    item.iImage = image;
  }
  int index = static_cast<int>(Send(LVM_INSERTITEMA, 0, ItemAddress(item)));
  if (index != -1) ++NextItemIndex;
  return index;
}

void CListView::SetItem(const std::string& text, int item, int subItem, int image) {
  SetCell(const_cast<char*>(text.c_str()), item, subItem, image);
}

void CListView::SetItemText(const std::string& text, int item, int subItem) { SetItem(text, item, subItem, 0); }

void CListView::AskItemText(int item, int subItem) { SetCell(LPSTR_TEXTCALLBACKA, item, subItem, 0); }

void CListView::SetCell(char* text, int item, int subItem, int image) {
  LVITEMA cell = {};
  cell.mask = LVIF_TEXT;
  cell.iItem = item;
  cell.iSubItem = subItem;
  cell.pszText = text;
  cell.iImage = image;
  Send(LVM_SETITEMA, 0, ItemAddress(cell));
}

bool CListView::DeleteAllItems() { return Send(LVM_DELETEALLITEMS, 0, 0) == 1; }

bool CListView::SortItems(PFNLVCOMPARE compare, LPARAM sortParameter) {
  return Send(LVM_SORTITEMS, sortParameter, reinterpret_cast<LPARAM>(compare)) != 0;
}

LPARAM CListView::GetItemParam(int index) const {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!Send(LVM_GETITEMA, 0, ItemAddress(item))) return 0;
  return item.lParam;
}

int CListView::GetSelectedCount() const { return static_cast<int>(Send(LVM_GETSELECTEDCOUNT, 0, 0)); }

int CListView::GetSelectedIndex() const {
  return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

LPARAM CListView::GetSelectedItemParam() const {
  int index = GetSelectedIndex();
  if (index == -1) {
    MessageBoxA(nullptr, "CListView::GetSelectedItemParam - No selected item found", "", MB_ICONERROR);
    return 0;
  }
  return GetItemParam(index);
}

bool CListView::SelectItem(int index) {
  LVITEMA item = {};
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  return Send(LVM_SETITEMSTATE, index, ItemAddress(item)) != 0;
}

HICON CListView::GetSelectedItemIcon(bool smallIcon) const {
  LVITEMA item = {};
  item.iItem = GetSelectedIndex();
  if (item.iItem == -1) return nullptr;
  item.mask = LVIF_IMAGE;
  if (!Send(LVM_GETITEMA, 0, ItemAddress(item))) return nullptr;
  return ImageList_GetIcon(smallIcon ? SmallImages : LargeImages, item.iImage, ILD_NORMAL);
}

bool CListView::GetItemLabelRect(int index, RECT* rect) const {
  rect->left = LVIR_LABEL;
  return Send(LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(rect)) != 0;
}

int CListView::GetTopIndex() const { return static_cast<int>(Send(LVM_GETTOPINDEX, 0, 0)); }

bool CListView::Scroll(int dx, int dy) { return Send(LVM_SCROLL, dx, dy) == 1; }

bool CListView::EnsureVisible(int index, bool partly) { return Send(LVM_ENSUREVISIBLE, index, partly) == 1; }

DWORD CListView::SetExtendedStyle(DWORD styles) {
  return static_cast<DWORD>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles));
}

void CListView::SetView(DWORD view) {
  DWORD style = static_cast<DWORD>(GetWindowLongA(Handle, GWL_STYLE));
  if ((style & LVS_TYPEMASK) == view) return;
  SetWindowLongA(Handle, GWL_STYLE, static_cast<LONG>((style & ~LVS_TYPEMASK) | view));
}

DWORD CListView::GetView() const { return static_cast<DWORD>(GetWindowLongA(Handle, GWL_STYLE)) & LVS_TYPEMASK; }

int CListView::AddLargeIcon(HICON icon) { return ImageList_ReplaceIcon(LargeImages, -1, icon); }

int CListView::AddSmallIcon(HICON icon) { return ImageList_ReplaceIcon(SmallImages, -1, icon); }

bool CListView::RemoveAllIcons() { return ImageList_Remove(LargeImages, -1) && ImageList_Remove(SmallImages, -1); }

int CListView::GetImageCount() const { return ImageList_GetImageCount(LargeImages); }

void CListView::SetRedraw(bool redraw) { Send(WM_SETREDRAW, redraw, 0); }
