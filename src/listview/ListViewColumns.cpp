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
// Fits remembered before the memory starts anew: a few columns for a few contents.
const size_t MaxFittedWidths = 64;

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
// cells are measured so only when some may not fit, and another column's fit is remembered for the
// same texts, font and DPI (showing a column fits the others again).
void CListView::AutoSizeColumns(int keptColumn) {
  for (int column = 0; column < ColumnCount; ++column) {
    if (column == keptColumn) continue;
    std::vector<std::string> texts;
    const bool whole = ReadCellTexts(column, texts);
    const bool last = column == ColumnCount - 1;
    const uint64_t key = last ? 0 : FitKey(column, texts);
    const auto remembered = last ? FittedWidths.end() : FittedWidths.find(key);
    if (remembered != FittedWidths.end()) {
      if (GetColumnWidth(column) != remembered->second) SetColumnWidth(column, remembered->second);
      continue;
    }
    SetColumnWidth(column, LVSCW_AUTOSIZE_USEHEADER);
    const int fitted = GetColumnWidth(column);
    int needed = HeaderTextWidth(column);
    if (last && !(whole && CellsFit(std::move(texts), fitted)) && SetColumnWidth(column, LVSCW_AUTOSIZE))
      needed = std::max(needed, GetColumnWidth(column));
    const int width = std::max(fitted, needed);
    if (GetColumnWidth(column) != width) SetColumnWidth(column, width);
    if (last) continue;
    if (FittedWidths.size() >= MaxFittedWidths) FittedWidths.clear();
    FittedWidths[key] = width;
  }
}

// The texts of the column's cells; false when one fills the buffer and may be longer.
bool CListView::ReadCellTexts(int column, std::vector<std::string>& texts) const {
  char text[MaxCellText];
  LVITEMA cell = {};
  cell.iSubItem = column;
  cell.pszText = text;
  cell.cchTextMax = sizeof text;
  const int count = static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0));
  texts.reserve(count);
  for (int item = 0; item < count; ++item) {
    if (Send(LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&cell)) >= MaxCellText - 1) return false;
    texts.emplace_back(text);
  }
  return true;
}

// Whether every text fits width with room for the margins that the control's own fit adds.
bool CListView::CellsFit(std::vector<std::string> texts, int width) const {
  const auto font = reinterpret_cast<HFONT>(Send(WM_GETFONT, 0, 0));
  return TextsFit(Handle, font, std::move(texts), width - ScaleToDpi(CellMargins, static_cast<int>(Dpi)));
}

// What the control's fit of a column depends on: the header's text, the cells' texts (up to the
// first that may be longer than read), the font and the DPI; FNV-1a over them.
uint64_t CListView::FitKey(int column, const std::vector<std::string>& texts) const {
  uint64_t key = 14695981039346656037ull;
  const auto add = [&key](const void* data, size_t size) {
    for (size_t i = 0; i < size; ++i) key = (key ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ull;
  };
  const LRESULT font = Send(WM_GETFONT, 0, 0);
  const uint32_t facts[] = {Dpi, static_cast<uint32_t>(column), static_cast<uint32_t>(texts.size())};
  add(&font, sizeof font);
  add(facts, sizeof facts);
  for (const std::string& text : texts) add(text.c_str(), text.size() + 1);
  const std::string header = HeaderText(column);
  add(header.c_str(), header.size() + 1);
  return key;
}

int CListView::GetColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, column, 0)); }

std::string CListView::HeaderText(int column) const {
  char text[256] = {};
  HDITEMA item = {};
  item.mask = HDI_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  return SendMessageA(GetHeader(), HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item)) ? text : "";
}

// The width that the header's text of the column needs, margins included.
int CListView::HeaderTextWidth(int column) const {
  const HWND header = GetHeader();
  const auto font = reinterpret_cast<HFONT>(SendMessageA(header, WM_GETFONT, 0, 0));
  return TextWidth(header, font, HeaderText(column).c_str()) +
         2 * static_cast<int>(SendMessageA(header, HDM_GETBITMAPMARGIN, 0, 0));
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
