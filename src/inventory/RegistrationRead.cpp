#include "inventory/RegistrationRead.h"

#include "inventory/EntryValues.h"

namespace {

// Reads the names, then, unless the search drops the entry, the values wanted.
void ReadWantedValues(CRegistryKey& key, const ScanFilter& filter, ProgramEntry& entry) {
  ReadEntryValues(key, entry, SystemComponentBit | DisplayNameBit);
  ReadEntryValues(key, entry, NamesNeeded(entry, filter));
  if (!Dropped(entry, filter)) ReadEntryValues(key, entry, filter.WantedValues);
}

// Reads the values that earlier scans did not need. A key gone meanwhile is dropped.
void ReadMoreValues(PassKeys& keys, const ScanFilter& filter, KnownRegistration& known) {
  CRegistryKey key;
  if (!key.Open(keys.Uninstall.Handle, known.Entry.KeyName, KEY_READ | keys.View.View)) {
    known.Listed = false;
    known.Failed = true;
    return;
  }
  ReadWantedValues(key, filter, known.Entry);
  known.Failed = key.ReadFailed;
}

}  // namespace

KnownRegistration NewRegistration(const RegistryView& pass, const std::string& keyName, const FILETIME& written) {
  KnownRegistration known = {written, false, false, ProgramEntry()};
  known.Entry.KeyName = keyName;
  known.Entry.Root = pass.Root;
  known.Entry.View = pass.View;
  return known;
}

void ReadRegistration(PassKeys& keys, const ScanFilter& filter, KnownRegistration& known, bool quiet) {
  CRegistryKey key;
  key.Quiet = quiet;
  known.Failed = !key.Open(keys.Uninstall.Handle, known.Entry.KeyName, KEY_READ | keys.View.View);
  known.Listed = key.HasValue("UninstallString") || key.HasValue("QuietUninstallString");
  if (known.Listed) ReadWantedValues(key, filter, known.Entry);
  known.Failed |= key.ReadFailed;
}

KnownRegistration CurrentRegistration(PassKeys& keys, const std::string& keyName, const FILETIME& written,
                                      const ScanFilter& filter) {
  KnownRegistration known = NewRegistration(keys.View, keyName, written);
  if (const StoredRegistration* stored = Unchanged(keys.View, keyName, written)) {
    known.Listed = stored->Listed;
    UnpackValues(stored->Values, known.Entry);
    if (known.Listed && LacksValues(known.Entry, filter)) ReadMoreValues(keys, filter, known);
    return known;
  }
  ReadRegistration(keys, filter, known);
  return known;
}
