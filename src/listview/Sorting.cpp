#include "listview/Sorting.h"

#include "inventory/EntryStatus.h"
#include "listview/Comparisons.h"
#include "listview/ListColumns.h"
#include "registry/AsciiCase.h"

namespace {

int64_t FrequencyKey(const ProgramEntry& entry) { return entry.HasUsageData ? entry.UseCount : -1; }

int CompareByColumn(const ProgramEntry& first, const ProgramEntry& second, ListColumn column) {
  switch (column) {
    case ListColumn::Application: return CompareIgnoringAsciiCase(Title(first), Title(second));
    case ListColumn::Company: return CompareBytes(first.Publisher, second.Publisher);
    case ListColumn::Size: return CompareNumbers(ListSize(first), ListSize(second));
    case ListColumn::Frequency: return CompareNumbers(FrequencyKey(first), FrequencyKey(second));
    case ListColumn::LastUsed: return CompareFileTime(&first.LastUsedTime, &second.LastUsedTime);
    // An entry without an install date has 0, below every date.
    case ListColumn::InstalledOn: return CompareNumbers(first.InstallDate, second.InstallDate);
    case ListColumn::Status:
      return CompareNumbers(static_cast<int>(StatusOf(first)), static_cast<int>(StatusOf(second)));
  }
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
  list.SetSortArrow(ColumnPosition(settings.SortColumn), settings.SortAscending != 0);
}

void SortByClickedColumn(CListView& list, ListSettings& settings, int clickedPosition) {
  ListColumn clicked;
  if (!ColumnAt(clickedPosition, clicked)) return;
  settings.SortAscending = clicked == settings.SortColumn ? !settings.SortAscending : 1;
  settings.SortColumn = clicked;
  SortList(list, settings);
}

void KeepSortColumnShown(ListSettings& settings) {
  if (IsShown(settings, settings.SortColumn)) return;
  settings.SortColumn = ListColumn::Application;
  settings.SortAscending = 1;
}
