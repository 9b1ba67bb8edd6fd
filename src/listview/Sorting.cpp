#include "listview/Sorting.h"

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "listview/Comparisons.h"
#include "listview/ListColumns.h"

namespace {

int64_t FrequencyKey(const ProgramEntry& entry) { return entry.HasUsageData ? entry.UseCount : -1; }

int CompareByColumn(const ProgramEntry& first, const ProgramEntry& second, int column) {
  if (column == 0) return CompareIgnoringAsciiCase(Title(first), Title(second));
  if (column == CompanyColumnIndex) return CompareBytes(first.Publisher, second.Publisher);
  if (column == SizeColumnIndex) return CompareNumbers(ListSize(first), ListSize(second));
  if (column == FrequencyColumnIndex) return CompareNumbers(FrequencyKey(first), FrequencyKey(second));
  if (column == LastUsedColumnIndex) return CompareFileTime(&first.LastUsedTime, &second.LastUsedTime);
  return 0;
}

}  // namespace

int CALLBACK CompareEntries(LPARAM first, LPARAM second, LPARAM column) {
  int result = CompareByColumn(*reinterpret_cast<const ProgramEntry*>(first),
                               *reinterpret_cast<const ProgramEntry*>(second), static_cast<int>(column));
  return AppSettings.SortAscending ? result : -result;
}

void SortByClickedColumn(NMLISTVIEW* notification) {
  const int clicked = notification->iSubItem;
  AppSettings.SortAscending = clicked == AppSettings.SortColumn ? !AppSettings.SortAscending : 1;
  AppSettings.SortColumn = clicked;
  ProgramList.SortItems(CompareEntries, clicked);
}
