#include "inventory/InventoryScan.h"

#include "inventory/ReadAhead.h"
#include "inventory/UsageCache.h"
#include "registry/AsciiCase.h"

const char* const UninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void(WINAPI* ScanClock)(FILETIME* now) = GetSystemTimeAsFileTime;

namespace {

// Keys written within this time before the scan that reads them are read again by the next
// scan: on a clock of coarse resolution a second write soon after may not change the time.
const ULONGLONG SettleTime = 2 * 10000000ull;  // two seconds, in 100 ns steps

ULONGLONG Now() {
  FILETIME now;
  ScanClock(&now);
  return Ticks(now);
}

// Returns false when the uninstall key that the pass read lies outside the 32-bit view's own node
// (Wow6432Node): a pass in HKEY_LOCAL_MACHINE's 32-bit view then read the one key of both views.
bool ScanPass(const RegistryView& pass, const ScanFilter& filter, ULONGLONG settled, KnownRegistrations& seen,
              std::vector<ProgramEntry>& inventory) {
  PassKeys keys = {pass, CRegistryKey(), CRegistryKey()};
  if (!keys.Uninstall.Open(pass.Root, UninstallKeyPath, KEY_READ | pass.View)) return true;
  const bool ownNode = keys.Uninstall.IsInWow6432Node();
  keys.Uninstall.EnumerateSubKeys();
  inventory.reserve(inventory.size() + keys.Uninstall.SubKeyCount);
  keys.UsageCache.Open(pass.Root, UsageCachePath, KEY_READ | pass.View);
  // Without a search nearly every registration is listed: one walk over the usage records costs
  // less than trying to open a record for each registration.
  const UsageRecordNames records =
      filter.UpperSearchText.empty() ? ListUsageRecords(keys.UsageCache) : UsageRecordNames();
  CReadAhead ahead(keys, filter, records);
  for (uint32_t i = 0; i < keys.Uninstall.SubKeyCount; ++i) {
    const std::string& keyName = keys.Uninstall.SubKeyNames[i];
    if (Skipped(filter, keyName)) continue;
    KnownRegistration known;
    const bool readAhead = ahead.Take(i, known);
    if (!readAhead) known = CurrentRegistration(keys, keyName, keys.Uninstall.SubKeyWriteTimes[i], filter);
    if (!known.Failed && Ticks(known.LastWrite) < settled)
      seen[RegistrationId(pass.Root, pass.View, keyName)] = {known.LastWrite, known.Listed, PackValues(known.Entry)};
    if (!known.Listed || Dropped(known.Entry, filter)) continue;
    inventory.push_back(std::move(known.Entry));
    if (!readAhead && keys.UsageCache.IsOpen() && MayHaveUsageRecord(records, keyName))
      ReadUsageRecord(keys.UsageCache.Handle, pass.View, keyName, inventory.back());
  }
  return ownNode;
}

bool RunsOn64BitWindows() { return sizeof(void*) == 8 || RunsUnderWow64(); }

// Opens the registration's key from its root by the whole path where that is short enough for the
// ANSI registry calls of Wine, else relative to the uninstall key.
bool OpenRegistration(const ProgramEntry& entry, CRegistryKey& key) {
  const std::string path = UninstallKeyPath + entry.KeyName;
  if (path.size() <= MAX_PATH) return key.Open(entry.Root, path, KEY_READ | entry.View);
  CRegistryKey uninstall;
  return uninstall.Open(entry.Root, UninstallKeyPath, KEY_READ | entry.View) &&
         key.Open(uninstall.Handle, entry.KeyName, KEY_READ | entry.View);
}

}  // namespace

std::vector<ProgramEntry> ScanInventory(const std::string& searchText, bool showSystemComponents,
                                        uint32_t wantedValues) {
  const ScanFilter filter = {UpperCaseAscii(searchText), showSystemComponents, wantedValues};
  const ULONGLONG settled = Now() - SettleTime;
  KnownRegistrations seen;
  std::vector<ProgramEntry> inventory;
  // The user's registrations are shared by both registry views; on 64-bit Windows the machine's
  // are read in its 32-bit view, then in its 64-bit view, by either build alike. Where both views
  // are one key (HKEY_LOCAL_MACHINE redirected to a key of its own) that key is read once.
  ScanPass({HKEY_CURRENT_USER, 0}, filter, settled, seen, inventory);
  if (!RunsOn64BitWindows()) {
    ScanPass({HKEY_LOCAL_MACHINE, 0}, filter, settled, seen, inventory);
  } else if (ScanPass({HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, filter, settled, seen, inventory)) {
    ScanPass({HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, filter, settled, seen, inventory);
  }
  KeepRegistrations(std::move(seen));
  return inventory;
}

void ReadMissingValues(ProgramEntry& entry, uint32_t wanted) {
  if (HoldsValues(entry, wanted)) return;
  CRegistryKey key;
  const bool opened = OpenRegistration(entry, key);
  if (opened) ReadEntryValues(key, entry, wanted);
  entry.ValuesRead |= wanted;
  RememberValues(entry, !opened || key.ReadFailed);
}

void ReadMissingValues(std::vector<ProgramEntry>& entries, uint32_t wanted) {
  for (ProgramEntry& entry : entries) ReadMissingValues(entry, wanted);
}

bool RunsUnderWow64() {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
