#include "listview/Population.h"

#include <windows.h>

#include <shellapi.h>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "listview/IconCache.h"
#include "listview/IconLocation.h"
#include "listview/ListColumns.h"
#include "listview/Sorting.h"

namespace {

const int DefaultProgramIconId = 1502;

CIconCache ProgramIcons;

HICON LoadDefaultProgramIcon() {
  HICON icon = nullptr;
  if (HMODULE module = LoadLibraryA("appwiz.cpl")) {
    icon = static_cast<HICON>(
        LoadImageA(module, MAKEINTRESOURCEA(DefaultProgramIconId), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    FreeLibrary(module);
  }
  return icon;
}

// Where the entry's own icon comes from, or an empty path when it has none.
IconLocation EntryIconLocation(const ProgramEntry& entry) {
  if (!entry.DisplayIcon.empty()) return ParseIconLocation(entry.DisplayIcon);
  IconLocation location;
  if (entry.HasUsageData) location.Path = entry.ProgramPath;
  return location;
}

// The image of the entry's own icon pair, or 0 (the default icon) when it has none.
int EntryImage(const ProgramEntry& entry) {
  const IconLocation location = EntryIconLocation(entry);
  return location.Path.empty() ? 0 : ProgramIcons.ImageOf(location);
}

void FillCells(const ProgramEntry& entry, int item) {
  if (AppSettings.ShowCompanyColumn) ProgramList.SetItemText(entry.Publisher, item, CompanyColumnIndex);
  const int64_t size = ListSize(entry);
  if (AppSettings.ShowSizeColumn && size > 0)
    ProgramList.SetItemText(FormatSize(static_cast<uint64_t>(size)), item, SizeColumnIndex);
  if (AppSettings.ShowFrequencyColumn && entry.HasUsageData && entry.UseCount != -1)
    ProgramList.SetItemText(FormatUseCount(static_cast<uint32_t>(entry.UseCount)), item, FrequencyColumnIndex);
  if (AppSettings.ShowLastUsedColumn && entry.HasUsageData)
    ProgramList.SetItemText(FormatDate(entry.LastUsedTime), item, LastUsedColumnIndex);
}

void InsertItems() {
  for (ProgramEntry& entry : ProgramInventory) {
    const int image = EntryImage(entry);
    const int item = ProgramList.InsertItem(Title(entry), reinterpret_cast<LPARAM>(&entry), image);
    FillCells(entry, item);
  }
}

}  // namespace

int AddDefaultIcon() {
  // Without an icon of its own from the control panel module, the application's icon stands in.
  HICON loaded = LoadDefaultProgramIcon();
  HICON icon = loaded ? loaded : MainWindow.GetIcon();
  ProgramList.AddSmallIcon(icon);
  const int index = ProgramList.AddLargeIcon(icon);
  if (loaded) DestroyIcon(loaded);
  return index;
}

void PopulateList(bool autosize) {
  ProgramList.SetRedraw(false);
  const int top = ProgramList.GetTopIndex();
  int selected = ProgramList.GetSelectedIndex();
  if (selected == -1) selected = 0;

  ProgramList.DeleteAllItems();
  while (ProgramList.DeleteColumn(1)) {}
  InsertOptionalColumns();
  ProgramIcons.BeginPopulation(ProgramInventory.size());
  InsertItems();

  ProgramList.SortItems(CompareEntries, AppSettings.SortColumn);
  ProgramList.Scroll(0, 2000);
  ProgramList.EnsureVisible(top, false);
  ProgramList.SelectItem(selected);
  if (autosize) ProgramList.AutoSizeColumns();
  ProgramList.SetRedraw(true);
}
