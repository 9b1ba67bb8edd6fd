#include "listview/ListColumns.h"

uint8_t SizeColumnIndex = 0;
uint8_t CompanyColumnIndex = 0;
uint8_t FrequencyColumnIndex = 0;
uint8_t LastUsedColumnIndex = 0;
uint8_t InstalledOnColumnIndex = 0;

namespace {

struct OptionalColumn {
  const char* Header;
  int Width;
  int32_t ListSettings::*Shown;
  uint8_t* Position;
};

const OptionalColumn OptionalColumns[] = {
    {"Size", 100, &ListSettings::ShowSizeColumn, &SizeColumnIndex},
    {"Company", 100, &ListSettings::ShowCompanyColumn, &CompanyColumnIndex},
    {"Frequency of use", 50, &ListSettings::ShowFrequencyColumn, &FrequencyColumnIndex},
    {"Date last used", 50, &ListSettings::ShowLastUsedColumn, &LastUsedColumnIndex},
    {"Installed on", 50, &ListSettings::ShowInstalledOnColumn, &InstalledOnColumnIndex},
};

}  // namespace

void InsertOptionalColumns(CListView& list, const ListSettings& settings) {
  uint8_t next = 1;
  for (const OptionalColumn& column : OptionalColumns) {
    if (settings.*column.Shown) {
      list.InsertColumn(column.Header, column.Width);
      *column.Position = next++;
    } else {
      *column.Position = 0;
    }
  }
}

int64_t ListSize(const ProgramEntry& entry) {
  return entry.HasUsageData ? entry.ProgramSize : int64_t{entry.EstimatedSize} * 1024;
}
