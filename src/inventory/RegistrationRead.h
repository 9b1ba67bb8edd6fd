#pragma once
// One registration's key as a pass of the scan reads it, on its own thread or on a worker's.
#include <string>

#include "inventory/ProgramEntry.h"
#include "inventory/ScanCache.h"
#include "inventory/ScanFilter.h"
#include "registry/RegistryKey.h"

// The keys under which a pass finds the registrations and their usage records. Registrations
// are opened relative to them: short paths, which the ANSI registry calls of Wine need.
struct PassKeys {
  RegistryView View;
  CRegistryKey Uninstall;
  CRegistryKey UsageCache;
};

// A registration as a scan reads it.
struct KnownRegistration {
  FILETIME LastWrite;
  bool Listed;         // it has an uninstall value
  bool Failed;         // the key could not be opened, or a read of it failed
  ProgramEntry Entry;  // the values read so far, and the usage data
};

KnownRegistration NewRegistration(const RegistryView& pass, const std::string& keyName, const FILETIME& written);

// Reads the registration's key: whether it has an uninstall value, and if so the values wanted.
// Quiet, a failed read shows no message.
void ReadRegistration(PassKeys& keys, const ScanFilter& filter, KnownRegistration& known, bool quiet = false);

// The registration as it is now: from the last scan when its key is unchanged, else read.
KnownRegistration CurrentRegistration(PassKeys& keys, const std::string& keyName, const FILETIME& written,
                                      const ScanFilter& filter);
