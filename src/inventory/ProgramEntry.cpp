#include "inventory/ProgramEntry.h"

std::vector<ProgramEntry> ProgramInventory;

const std::string& Title(const ProgramEntry& entry) {
  if (!entry.DisplayName.empty()) return entry.DisplayName;
  if (!entry.QuietDisplayName.empty()) return entry.QuietDisplayName;
  return entry.KeyName;
}
