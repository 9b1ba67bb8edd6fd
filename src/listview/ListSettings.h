#pragma once
// The settings that the program list is shown with: its optional columns and its sort order.
#include <cstdint>

struct ListSettings {
  int32_t SortColumn;  // the position of the sort column
  int32_t SortAscending;
  int32_t ShowSizeColumn;
  int32_t ShowCompanyColumn;
  int32_t ShowFrequencyColumn;
  int32_t ShowLastUsedColumn;
  int32_t ShowInstalledOnColumn;
};
