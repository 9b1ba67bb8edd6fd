#pragma once
// Copies the usage-cache record of a registration into its entry.
#include <windows.h>

#include <string>

#include "inventory/ProgramEntry.h"

extern const char* const UsageCachePath;  // ...\App Management\ARPCache\ with its backslash

// Fills the usage fields of entry from the record under root, in the registry view given
// (0, KEY_WOW64_32KEY or KEY_WOW64_64KEY); leaves them as they are when there is no record. A record shorter
// than 552 bytes has its missing bytes read as zero; a longer one counts as no record.
void ReadUsageCache(HKEY root, REGSAM view, const std::string& keyName, ProgramEntry& entry);

// The same, under cache: the usage cache key, already open. Opening each record relative to it
// keeps paths short (the ANSI registry calls of Wine refuse paths of more than 260 characters).
void ReadUsageRecord(HKEY cache, REGSAM view, const std::string& keyName, ProgramEntry& entry);
