// The columns of the program list: their texts, their widths and the sort arrow of the header.
#include <algorithm>
#include <vector>

#include "listview/ListView.h"
#include "window/Dpi.h"
#include "window/Scaling.h"

namespace {

// More than the control's own fit adds to a cell's text, at 96 DPI.
const int CellMargins = 24;
const int MaxCellText = 1024;

// Values that the control reads from the low word of lParam (-2 travels as 0xFFFE).
LPARAM InLowWord(int value) { return MAKELPARAM(value, 0); }

}  // namespace

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
