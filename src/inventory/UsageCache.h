#pragma once
// Copies the usage-cache record of a registration into its entry.
#include <windows.h>

#include <set>
#include <string>

#include "inventory/ProgramEntry.h"
#include "registry/RegistryKey.h"

extern const char* const UsageCachePath;  // ...\App Management\ARPCache\ with its backslash

// Fills the usage fields of entry from its record under cache, the usage cache key of its root,
// already open in the registry view given (0, KEY_WOW64_32KEY or KEY_WOW64_64KEY); leaves them as
// they are when there is no record. A record shorter than 552 bytes has its missing bytes read as
// zero; a longer one counts as no record. Opening each record relative to the cache key keeps
// paths short (the ANSI registry calls of Wine refuse paths of more than 260 characters).
void ReadUsageRecord(HKEY cache, REGSAM view, const std::string& keyName, ProgramEntry& entry);

// The names of the records under an open usage cache key, so that a scan opens only those that
// exist. The registry finds a key by its name regardless of case, which for names of plain ASCII
// means the letters a to z as A to Z; when a record's name is not plain ASCII or could not be
// read, every registration's record is tried.
struct UsageRecordNames {
  bool Complete = false;  // every name was read, and each is plain ASCII
  std::set<std::string> UpperNames;
};
UsageRecordNames ListUsageRecords(CRegistryKey& cache);
bool MayHaveUsageRecord(const UsageRecordNames& records, const std::string& keyName);
