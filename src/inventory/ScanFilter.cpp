#include "inventory/ScanFilter.h"

#include "inventory/EntryValues.h"
#include "registry/AsciiCase.h"

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

}  // namespace

bool IsHotFix(const std::string& keyName) {
  return StartsWith(keyName, "KB") || StartsWith(keyName, "Microsoft Security Patch");
}

bool MatchesSearch(const ProgramEntry& entry, const std::string& upperSearchText) {
  std::string searched = entry.DisplayName + entry.QuietDisplayName;
  if (searched.empty()) searched = entry.KeyName;
  return UpperCaseAscii(searched).find(upperSearchText) != std::string::npos;
}

bool Skipped(const ScanFilter& filter, const std::string& keyName) {
  return !filter.ShowSystemComponents && IsHotFix(keyName);
}

bool Dropped(const ProgramEntry& entry, const ScanFilter& filter) {
  if (!filter.ShowSystemComponents && IsSystemComponent(entry)) return true;
  return !filter.UpperSearchText.empty() && !MatchesSearch(entry, filter.UpperSearchText);
}

uint32_t NamesNeeded(const ProgramEntry& entry, const ScanFilter& filter) {
  const bool quietNeeded = entry.DisplayName.empty() || !filter.UpperSearchText.empty();
  return SystemComponentBit | DisplayNameBit | (quietNeeded ? QuietDisplayNameBit : 0u);
}

bool LacksValues(const ProgramEntry& entry, const ScanFilter& filter) {
  if (!HoldsValues(entry, NamesNeeded(entry, filter))) return true;
  return !Dropped(entry, filter) && !HoldsValues(entry, filter.WantedValues);
}
