#include "listview/ListColumns.h"

#include "app/MainWindow.h"
#include "app/Settings.h"

uint8_t SizeColumnIndex = 0;
uint8_t CompanyColumnIndex = 0;
uint8_t FrequencyColumnIndex = 0;
uint8_t LastUsedColumnIndex = 0;

namespace {

struct OptionalColumn {
  const char* Header;
  int Width;
  int32_t Settings::*Shown;
  uint8_t* Position;
};

const OptionalColumn OptionalColumns[] = {
    {"Size", 100, &Settings::ShowSizeColumn, &SizeColumnIndex},
    {"Company", 100, &Settings::ShowCompanyColumn, &CompanyColumnIndex},
    {"Frequency of use", 50, &Settings::ShowFrequencyColumn, &FrequencyColumnIndex},
    {"Date last used", 50, &Settings::ShowLastUsedColumn, &LastUsedColumnIndex},
};

}  // namespace

void InsertOptionalColumns() {
  uint8_t next = 1;
  for (const OptionalColumn& column : OptionalColumns) {
    if (AppSettings.*column.Shown) {
      ProgramList.InsertColumn(column.Header, column.Width);
      *column.Position = next++;
    } else {
      *column.Position = 0;
    }
  }
}

int64_t ListSize(const ProgramEntry& entry) {
  return entry.HasUsageData ? entry.ProgramSize : int64_t{entry.EstimatedSize} * 1024;
}
