#include "listview/Sorting.h"

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
  // An entry without an install date has 0, below every date.
  if (column == InstalledOnColumnIndex) return CompareNumbers(first.InstallDate, second.InstallDate);
  return 0;
}

// The list's comparison function: first and second are the entries' addresses, settings the
// address of the ListSettings whose sort column and direction it follows.
int CALLBACK CompareEntries(LPARAM first, LPARAM second, LPARAM settings) {
  const ListSettings& order = *reinterpret_cast<const ListSettings*>(settings);
  int result = CompareByColumn(*reinterpret_cast<const ProgramEntry*>(first),
                               *reinterpret_cast<const ProgramEntry*>(second), order.SortColumn);
  return order.SortAscending ? result : -result;
}

}  // namespace

void SortList(CListView& list, const ListSettings& settings) {
  list.SortItems(CompareEntries, reinterpret_cast<LPARAM>(&settings));
}

void SortByClickedColumn(CListView& list, ListSettings& settings, int clicked) {
  settings.SortAscending = clicked == settings.SortColumn ? !settings.SortAscending : 1;
  settings.SortColumn = clicked;
  SortList(list, settings);
}
