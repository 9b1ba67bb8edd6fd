#pragma once
// What a scan keeps of the registrations: hot-fixes only while system components are shown, and
// with a search text only the entries whose names contain it.
#include <cstdint>
#include <string>

#include "inventory/ProgramEntry.h"

struct ScanFilter {
  std::string UpperSearchText;
  bool ShowSystemComponents;
  uint32_t WantedValues;  // EntryValue bits: what each listed entry is to hold
};

// Key names starting with "KB" or "Microsoft Security Patch", case-sensitively.
bool IsHotFix(const std::string& keyName);

// Whether upperSearchText (already upper-cased) occurs in the entry's searched name: DisplayName
// directly followed by QuietDisplayName, or KeyName when both are empty, ignoring the case of a to z.
bool MatchesSearch(const ProgramEntry& entry, const std::string& upperSearchText);

// A hot-fix while system components are hidden: its key is not even opened.
bool Skipped(const ScanFilter& filter, const std::string& keyName);

// An entry that the search leaves out, or a system component while they are hidden.
bool Dropped(const ProgramEntry& entry, const ScanFilter& filter);

// The values that the entry's title and the filters need: SystemComponent, DisplayName, and
// QuietDisplayName when the DisplayName is empty or a search is on.
uint32_t NamesNeeded(const ProgramEntry& entry, const ScanFilter& filter);

// Whether the entry lacks the names it needs or, unless the search drops it, the values wanted.
bool LacksValues(const ProgramEntry& entry, const ScanFilter& filter);
