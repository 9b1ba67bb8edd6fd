#include "listview/Population.h"

#include "inventory/Dates.h"
#include "inventory/EntryStatus.h"
#include "inventory/EntryValues.h"
#include "inventory/Formatting.h"
#include "listview/IconCache.h"
#include "listview/IconLocation.h"
#include "listview/ListColumns.h"
#include "listview/Sorting.h"

namespace {

CIconCache ProgramIcons;

// Where the entry's own icon comes from, or an empty path when it has none. Variables in the
// path are expanded whatever the value's type, as the system's shell does with icon locations.
IconLocation EntryIconLocation(const ProgramEntry& entry) {
  if (!entry.DisplayIcon.empty()) {
    IconLocation location = ParseIconLocation(entry.DisplayIcon);
    location.Path = ExpandEnvironment(location.Path);
    return location;
  }
  IconLocation location;
  if (entry.HasUsageData) location.Path = entry.ProgramPath;
  return location;
}

// The image of the entry's own icon pair, or 0 (the default icon) when it has none.
int EntryImage(CListView& list, const ProgramEntry& entry) {
  const IconLocation location = EntryIconLocation(entry);
  return location.Path.empty() ? 0 : ProgramIcons.ImageOf(list, location);
}

void FillCells(CListView& list, const ListSettings& settings, const ProgramEntry& entry, int item) {
  if (settings.ShowCompanyColumn) list.SetItemText(entry.Publisher, item, CompanyColumnIndex);
  const int64_t size = ListSize(entry);
  if (settings.ShowSizeColumn && size > 0)
    list.SetItemText(FormatSize(static_cast<uint64_t>(size)), item, SizeColumnIndex);
  if (settings.ShowFrequencyColumn && entry.HasUsageData && entry.UseCount != -1)
    list.SetItemText(FormatUseCount(static_cast<uint32_t>(entry.UseCount)), item, FrequencyColumnIndex);
  if (settings.ShowLastUsedColumn) list.SetItemText(FormatDate(LastUsedDay(entry)), item, LastUsedColumnIndex);
  if (settings.ShowInstalledOnColumn) list.SetItemText(FormatDate(entry.InstallDate), item, InstalledOnColumnIndex);
  if (settings.ShowStatusColumn) list.AskItemText(item, StatusColumnIndex);
}

// The list asks for each item's image when it first draws the item (SupplyItemImage): the icons of
// the rows that nobody sees are never extracted.
void InsertItems(CListView& list, const ListSettings& settings) {
  for (ProgramEntry& entry : ProgramInventory) {
    const int item = list.InsertItem(Title(entry), reinterpret_cast<LPARAM>(&entry), I_IMAGECALLBACK);
    FillCells(list, settings, entry, item);
  }
}

}  // namespace

void PopulateList(CListView& list, const ListSettings& settings, HICON fallbackIcon, bool autosize) {
  list.SetRedraw(false);
  const int top = list.GetTopIndex();
  int selected = list.GetSelectedIndex();
  if (selected == -1) selected = 0;

  list.DeleteAllItems();
  while (list.DeleteColumn(1)) {}
  InsertOptionalColumns(list, settings);
  ProgramIcons.BeginPopulation(list, ProgramInventory.size(), fallbackIcon);
  InsertItems(list, settings);

  SortList(list, settings);
  list.Scroll(0, 2000);
  list.EnsureVisible(top, false);
  list.SelectItem(selected);
  if (autosize) list.AutoSizeColumns(ColumnPosition(ListColumn::Status));
  list.SetRedraw(true);
}

uint32_t ValuesAsked(const NMLVDISPINFOA* info) {
  const bool statusText = (info->item.mask & LVIF_TEXT) != 0 && StatusColumnIndex != 0 &&
                          info->item.iSubItem == StatusColumnIndex;
  return (statusText ? StatusValues : 0u) | ((info->item.mask & LVIF_IMAGE) != 0 ? DisplayIconBit : 0u);
}

void SupplyCellText(NMLVDISPINFOA* info) {
  const auto* entry = reinterpret_cast<const ProgramEntry*>(info->item.lParam);
  if ((info->item.mask & LVIF_TEXT) == 0 || !entry || info->item.cchTextMax <= 0) return;
  if (StatusColumnIndex != 0 && info->item.iSubItem == StatusColumnIndex)
    lstrcpynA(info->item.pszText, StatusText(StatusOf(*entry)), info->item.cchTextMax);
}

void SupplyItemImage(CListView& list, NMLVDISPINFOA* info) {
  if ((info->item.mask & LVIF_IMAGE) == 0) return;
  const auto* entry = reinterpret_cast<const ProgramEntry*>(info->item.lParam);
  info->item.iImage = entry ? EntryImage(list, *entry) : 0;
  info->item.mask |= LVIF_DI_SETITEM;
}
