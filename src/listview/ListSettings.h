#pragma once
// The settings that the program list is shown with: its optional columns and its sort order.
#include <cstdint>

// The list's columns by what they show, in their fixed order ("Application" always first).
enum class ListColumn : int32_t { Application, Size, Company, Frequency, LastUsed, InstalledOn, Status };

struct ListSettings {
  ListColumn SortColumn;  // kept by what it shows: showing or hiding other columns moves it, not the sort
  int32_t SortAscending;
  int32_t ShowSizeColumn;
  int32_t ShowCompanyColumn;
  int32_t ShowFrequencyColumn;
  int32_t ShowLastUsedColumn;
  int32_t ShowInstalledOnColumn;
  int32_t ShowStatusColumn;
};
