#include "inventory/ProgramEntry.h"

#include "inventory/Dates.h"

std::vector<ProgramEntry> ProgramInventory;

const std::string& Title(const ProgramEntry& entry) {
  if (!entry.DisplayName.empty()) return entry.DisplayName;
  if (!entry.QuietDisplayName.empty()) return entry.QuietDisplayName;
  return entry.KeyName;
}

int64_t ListSize(const ProgramEntry& entry) {
  return entry.HasUsageData ? entry.ProgramSize : int64_t{entry.EstimatedSize} * 1024;
}

uint64_t BestKnownSize(const ProgramEntry& entry) {
  if (entry.HasUsageData && entry.ProgramSize > 0) return static_cast<uint64_t>(entry.ProgramSize);
  return uint64_t{entry.EstimatedSize} * 1024;
}

uint32_t LastUsedDay(const ProgramEntry& entry) {
  return entry.HasUsageData ? DayOfTime(entry.LastUsedTime.dwLowDateTime, entry.LastUsedTime.dwHighDateTime) : 0;
}
