#pragma once
// What a registration's key held when a scan read it. A later scan uses it instead of reading the
// key again while the key's last-write time is unchanged: writing a value or deleting one sets
// that time, so the values are still the same. A key that could not be opened or read is not
// kept: the next scan tries it again. Usage data is read anew by every scan.
#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "inventory/EntryValues.h"

// One pass of the scan: a root seen through a registry view.
struct RegistryView {
  HKEY Root;
  REGSAM View;
};

struct StoredRegistration {
  FILETIME LastWrite;
  bool Listed;  // it has an uninstall value
  PackedValues Values;
};

using RegistrationId = std::tuple<HKEY, REGSAM, std::string>;
using KnownRegistrations = std::map<RegistrationId, StoredRegistration>;

inline ULONGLONG Ticks(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// What the last scan kept of the registration when its key is unchanged since, else null.
const StoredRegistration* Unchanged(const RegistryView& pass, const std::string& keyName, const FILETIME& written);

// What a scan read replaces what the scans kept so far.
void KeepRegistrations(KnownRegistrations seen);

// Keeps what was read since of the entry's key, or, when its key could not be opened or read,
// has the next scan read it again.
void RememberValues(const ProgramEntry& entry, bool failed);
