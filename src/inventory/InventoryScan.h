#pragma once
// The scan, the inventory's one entry point: reads the uninstall registrations of
// HKEY_CURRENT_USER, then of HKEY_LOCAL_MACHINE (on 64-bit Windows in its 32-bit view, then in its
// 64-bit view), in the registry's enumeration order, into entries with their usage data. Its parts:
// ScanFilter (hot-fixes and the search), ScanCache (what later scans reuse), RegistrationRead (one
// registration's key) and ReadAhead (the worker threads of a pass).
#include <string>
#include <vector>

#include "inventory/EntryValues.h"
#include "inventory/ProgramEntry.h"

extern const char* const UninstallKeyPath;  // ...\CurrentVersion\Uninstall\ with its backslash

// The time that tells which keys have gone unwritten long enough for a scan to trust what it read
// of them: GetSystemTimeAsFileTime, unless a test sets a clock of its own.
extern void(WINAPI* ScanClock)(FILETIME* now);

// Hot-fixes (key names starting with "KB" or "Microsoft Security Patch") are left out unless
// showSystemComponents; a non-empty searchText keeps only the entries whose names contain it,
// ignoring the case of a to z. Each entry holds the values of wantedValues (EntryValue bits) and
// the names that its title and the search need; ReadMissingValues reads the others.
std::vector<ProgramEntry> ScanInventory(const std::string& searchText, bool showSystemComponents,
                                        uint32_t wantedValues = AllValueBits);

// Reads into the entry, or into each entry, the values of wanted that it does not hold yet, from
// its registration's key as it is now; the values of a key that cannot be opened stay empty.
// What is read serves later scans too while the key is unchanged.
void ReadMissingValues(ProgramEntry& entry, uint32_t wanted);
void ReadMissingValues(std::vector<ProgramEntry>& entries, uint32_t wanted);

// Whether this 32-bit process runs on 64-bit Windows.
bool RunsUnderWow64();
