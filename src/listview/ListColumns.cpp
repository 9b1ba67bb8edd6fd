#include "listview/ListColumns.h"

#include "inventory/EntryStatus.h"
#include "inventory/EntryValues.h"
#include "window/Scaling.h"

uint8_t SizeColumnIndex = 0;
uint8_t CompanyColumnIndex = 0;
uint8_t FrequencyColumnIndex = 0;
uint8_t LastUsedColumnIndex = 0;
uint8_t InstalledOnColumnIndex = 0;
uint8_t StatusColumnIndex = 0;

namespace {

struct OptionalColumn {
  const char* Header;
  int Width;
  int32_t ListSettings::*Shown;
  uint8_t* Position;
  uint32_t Values;  // the registration's values that the column shows, beside the usage data
};

const OptionalColumn OptionalColumns[] = {
    {"Size", 100, &ListSettings::ShowSizeColumn, &SizeColumnIndex, EstimatedSizeBit},
    {"Company", 100, &ListSettings::ShowCompanyColumn, &CompanyColumnIndex, PublisherBit},
    {"Frequency of use", 50, &ListSettings::ShowFrequencyColumn, &FrequencyColumnIndex, 0},
    {"Date last used", 50, &ListSettings::ShowLastUsedColumn, &LastUsedColumnIndex, 0},
    {"Installed on", 50, &ListSettings::ShowInstalledOnColumn, &InstalledOnColumnIndex, InstallDateBit},
    // Wide enough for its longest text: its cells are found as they are drawn, never to size it.
    // Its cells read their values as they are drawn (ValuesAsked).
    {"Status", 180, &ListSettings::ShowStatusColumn, &StatusColumnIndex, 0},
};

// OptionalColumns[n] shows the column that follows "Application" by n + 1 places.
const OptionalColumn& Optional(ListColumn column) { return OptionalColumns[static_cast<int>(column) - 1]; }

}  // namespace

void InsertOptionalColumns(CListView& list, const ListSettings& settings) {
  uint8_t next = 1;
  for (const OptionalColumn& column : OptionalColumns) {
    if (settings.*column.Shown) {
      list.InsertColumn(column.Header, ScaleToDpi(column.Width, static_cast<int>(list.Dpi)));
      *column.Position = next++;
    } else {
      *column.Position = 0;
    }
  }
}

bool IsShown(const ListSettings& settings, ListColumn column) {
  return column == ListColumn::Application || settings.*Optional(column).Shown;
}

int ColumnPosition(ListColumn column) {
  if (column == ListColumn::Application) return 0;
  const uint8_t position = *Optional(column).Position;
  return position == 0 ? -1 : position;
}

bool ColumnAt(int position, ListColumn& column) {
  for (int n = 0; n <= static_cast<int>(ListColumn::Status); ++n) {
    column = static_cast<ListColumn>(n);
    if (ColumnPosition(column) == position) return true;
  }
  return false;
}

uint32_t ShownValues(const ListSettings& settings) {
  uint32_t values = DisplayNameBit;
  for (const OptionalColumn& column : OptionalColumns)
    if (settings.*column.Shown) values |= column.Values;
  return settings.SortColumn == ListColumn::Status ? values | StatusValues : values;
}
