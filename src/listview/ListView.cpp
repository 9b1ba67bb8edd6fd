#include "listview/ListView.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "window/Dpi.h"
#include "window/Scaling.h"

namespace {

const UINT IconListFlags = ILC_COLOR32 | ILC_MASK;  // icons with an alpha channel keep their smooth edges

HIMAGELIST CreateIconList(int widthMetric, int heightMetric, UINT dpi) {
  return ImageList_Create(SystemMetricForDpi(widthMetric, dpi), SystemMetricForDpi(heightMetric, dpi), IconListFlags, 1,
                          1);
}

// More than the control's own fit adds to a cell's text, at 96 DPI.
const int CellMargins = 24;
const int MaxCellText = 1024;

// Values that the control reads from the low word of lParam (-2 travels as 0xFFFE).
LPARAM InLowWord(int value) { return MAKELPARAM(value, 0); }

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

bool CListView::InsertColumn(const std::string& text, int width) {
  LVCOLUMNA column = {};
  column.mask = LVCF_WIDTH | LVCF_TEXT;
  column.cx = width;
  column.pszText = const_cast<char*>(text.c_str());
  LRESULT result = Send(LVM_INSERTCOLUMNA, ColumnCount, reinterpret_cast<LPARAM>(&column));
  ++ColumnCount;
  return result != -1;
}

bool CListView::DeleteColumn(int index) {
  if (!Send(LVM_DELETECOLUMN, index, 0)) return false;
  --ColumnCount;
  return true;
}

bool CListView::SetColumnWidth(int column, int width) {
  return Send(LVM_SETCOLUMNWIDTH, column, InLowWord(width)) != 0;
}

// The control's own fit may leave the header's text too little room for the header's margins, and
// fills the rest of the list with the last column, which may be less than its cells need. Measuring
// every cell takes the control as long as a rescan of a thousand registrations: the last column's
// cells are measured so only when some may not fit.
void CListView::AutoSizeColumns(int keptColumn) {
  for (int column = 0; column < ColumnCount; ++column) {
    if (column == keptColumn) continue;
    SetColumnWidth(column, LVSCW_AUTOSIZE_USEHEADER);
    const int fitted = GetColumnWidth(column);
    int needed = HeaderTextWidth(column);
    if (column == ColumnCount - 1 && !CellsFit(column, fitted) && SetColumnWidth(column, LVSCW_AUTOSIZE))
      needed = std::max(needed, GetColumnWidth(column));
    const int width = std::max(fitted, needed);
    if (GetColumnWidth(column) != width) SetColumnWidth(column, width);
  }
}

// Whether the text of every cell of the column fits width with room for the margins that the
// control's own fit adds.
bool CListView::CellsFit(int column, int width) const {
  std::vector<std::string> texts;
  char text[MaxCellText];
  LVITEMA cell = {};
  cell.iSubItem = column;
  cell.pszText = text;
  cell.cchTextMax = sizeof text;
  const int count = static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0));
  for (int item = 0; item < count; ++item) {
    // A text that fills the buffer may be longer: it is left to the control.
    if (Send(LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&cell)) >= MaxCellText - 1) return false;
    texts.emplace_back(text);
  }
  const auto font = reinterpret_cast<HFONT>(Send(WM_GETFONT, 0, 0));
  return TextsFit(Handle, font, std::move(texts), width - ScaleToDpi(CellMargins, static_cast<int>(Dpi)));
}

int CListView::GetColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, column, 0)); }

// The width that the header's text of the column needs, margins included.
int CListView::HeaderTextWidth(int column) const {
  char text[256] = {};
  HDITEMA item = {};
  item.mask = HDI_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  const HWND header = GetHeader();
  if (!SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item))) return 0;
  const auto font = reinterpret_cast<HFONT>(SendMessageA(header, WM_GETFONT, 0, 0));
  return TextWidth(header, font, text) + 2 * static_cast<int>(SendMessageA(header, HDM_GETBITMAPMARGIN, 0, 0));
}

HWND CListView::GetHeader() const { return reinterpret_cast<HWND>(Send(LVM_GETHEADER, 0, 0)); }

void CListView::SetSortArrow(int position, bool ascending) {
  const HWND header = GetHeader();
  for (int column = 0; column < ColumnCount; ++column) {
    HDITEMA item = {};
    item.mask = HDI_FORMAT;
    SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (column == position) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
    SendMessageA(header, HDM_SETITEMA, column, reinterpret_cast<LPARAM>(&item));
  }
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

bool CListView::EnsureVisible(int index, bool partly) { return Send(LVM_ENSUREVISIBLE, index, InLowWord(partly)) == 1; }

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
