#include "inventory/InventoryScan.h"

#include <map>
#include <tuple>

#include "inventory/AsciiCase.h"
#include "inventory/InstallDate.h"
#include "inventory/UsageCache.h"
#include "registry/RegistryKey.h"

const char* const UninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void(WINAPI* ScanClock)(FILETIME* now) = GetSystemTimeAsFileTime;

namespace {

// One pass of the scan: a root seen through a registry view.
struct RegistryView {
  HKEY Root;
  REGSAM View;
};

struct ScanFilter {
  std::string UpperSearchText;
  bool ShowSystemComponents;
};

// What a registration's key held when a scan read it. A later scan uses it instead of reading
// the key again while the key's last-write time is unchanged: writing a value or deleting one
// sets that time, so the values are still the same. A key that could not be opened or read is
// not kept: the next scan tries it again.
struct KnownRegistration {
  FILETIME LastWrite;
  bool Listed;         // it has an uninstall value
  bool Complete;       // every value was read, not only the display names
  bool Failed;         // the key could not be opened, or a read of it failed
  ProgramEntry Entry;  // without usage data, which is read anew by every scan
};

using RegistrationId = std::tuple<HKEY, REGSAM, std::string>;
using KnownRegistrations = std::map<RegistrationId, KnownRegistration>;

KnownRegistrations Known;

// Keys written within this time before the scan that reads them are read again by the next
// scan: on a clock of coarse resolution a second write soon after may not change the time.
const ULONGLONG SettleTime = 2 * 10000000ull;  // two seconds, in 100 ns steps

ULONGLONG Ticks(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

ULONGLONG Now() {
  FILETIME now;
  ScanClock(&now);
  return Ticks(now);
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

void ReadRemainingValues(CRegistryKey& key, ProgramEntry& entry) {
  entry.UninstallString = key.GetStringValue("UninstallString");
  entry.QuietUninstallString = key.GetStringValue("QuietUninstallString");
  entry.Publisher = key.GetStringValue("Publisher");
  entry.DisplayVersion = key.GetStringValue("DisplayVersion");
  entry.EstimatedSize = key.GetDWordValue("EstimatedSize");
  entry.HelpLink = key.GetStringValue("HelpLink");
  entry.URLInfoAbout = key.GetStringValue("URLInfoAbout");
  entry.URLUpdateInfo = key.GetStringValue("URLUpdateInfo");
  entry.HelpTelephone = key.GetStringValue("HelpTelephone");
  entry.Contact = key.GetStringValue("Contact");
  entry.Readme = key.GetStringValue("Readme");
  entry.Comments = key.GetStringValue("Comments");
  entry.DisplayIcon = key.GetStringValue("DisplayIcon");
  entry.InstallDate = ParseInstallDate(key.GetStringValue("InstallDate"));
  entry.WindowsInstaller = key.GetDWordValue("WindowsInstaller") == 1 ? 1 : 0;
}

bool Dropped(const ProgramEntry& entry, const ScanFilter& filter) {
  return !filter.UpperSearchText.empty() && !MatchesSearch(entry, filter.UpperSearchText);
}

// The keys under which a pass finds the registrations and their usage records. Registrations
// are opened relative to them: short paths, which the ANSI registry calls of Wine need.
struct PassKeys {
  RegistryView View;
  CRegistryKey Uninstall;
  CRegistryKey UsageCache;
};

// Reads the registration's key: its uninstall values, its display names, and its other values
// unless the search drops it.
void ReadRegistration(PassKeys& keys, const ScanFilter& filter, KnownRegistration& known) {
  CRegistryKey key;
  known.Failed = !key.Open(keys.Uninstall.Handle, known.Entry.KeyName, KEY_READ | keys.View.View);
  known.Listed = key.HasValue("UninstallString") || key.HasValue("QuietUninstallString");
  if (known.Listed) {
    known.Entry.DisplayName = key.GetStringValue("DisplayName");
    known.Entry.QuietDisplayName = key.GetStringValue("QuietDisplayName");
    known.Complete = !Dropped(known.Entry, filter);
    if (known.Complete) ReadRemainingValues(key, known.Entry);
  }
  known.Failed |= key.ReadFailed;
}

// Reads the values that the search skipped before. A key gone meanwhile is dropped.
void CompleteRegistration(PassKeys& keys, KnownRegistration& known) {
  CRegistryKey key;
  if (!key.Open(keys.Uninstall.Handle, known.Entry.KeyName, KEY_READ | keys.View.View)) {
    known.Listed = false;
    known.Failed = true;
    return;
  }
  ReadRemainingValues(key, known.Entry);
  known.Complete = true;
  known.Failed = key.ReadFailed;
}

// The registration as it is now: from the last scan when its key is unchanged, else read.
KnownRegistration CurrentRegistration(PassKeys& keys, const std::string& keyName, const FILETIME& written,
                                      const ScanFilter& filter) {
  const RegistryView& pass = keys.View;
  const auto found = Known.find(RegistrationId(pass.Root, pass.View, keyName));
  if (found != Known.end() && Ticks(found->second.LastWrite) == Ticks(written)) {
    KnownRegistration known = found->second;
    if (known.Listed && !known.Complete && !Dropped(known.Entry, filter)) CompleteRegistration(keys, known);
    return known;
  }
  KnownRegistration known = {written, false, false, false, ProgramEntry()};
  known.Entry.KeyName = keyName;
  known.Entry.Root = pass.Root;
  known.Entry.View = pass.View;
  ReadRegistration(keys, filter, known);
  return known;
}

// Returns false when the uninstall key that the pass read lies outside the 32-bit view's own node
// (Wow6432Node): a pass in HKEY_LOCAL_MACHINE's 32-bit view then read the one key of both views.
bool ScanPass(const RegistryView& pass, const ScanFilter& filter, ULONGLONG settled, KnownRegistrations& seen,
              std::vector<ProgramEntry>& inventory) {
  PassKeys keys = {pass, CRegistryKey(), CRegistryKey()};
  if (!keys.Uninstall.Open(pass.Root, UninstallKeyPath, KEY_READ | pass.View)) return true;
  const bool ownNode = keys.Uninstall.IsInWow6432Node();
  keys.Uninstall.EnumerateSubKeys();
  keys.UsageCache.Open(pass.Root, UsageCachePath, KEY_READ | pass.View);
  for (uint32_t i = 0; i < keys.Uninstall.SubKeyCount; ++i) {
    const std::string& keyName = keys.Uninstall.SubKeyNames[i];
    if (!filter.ShowSystemComponents && IsHotFix(keyName)) continue;
    KnownRegistration known = CurrentRegistration(keys, keyName, keys.Uninstall.SubKeyWriteTimes[i], filter);
    if (known.Listed && !Dropped(known.Entry, filter)) {
      inventory.push_back(known.Entry);
      if (keys.UsageCache.IsOpen()) ReadUsageRecord(keys.UsageCache.Handle, pass.View, keyName, inventory.back());
    }
    if (!known.Failed && Ticks(known.LastWrite) < settled)
      seen[RegistrationId(pass.Root, pass.View, keyName)] = std::move(known);
  }
  return ownNode;
}

bool RunsOn64BitWindows() { return sizeof(void*) == 8 || RunsUnderWow64(); }

}  // namespace

bool IsHotFix(const std::string& keyName) {
  return StartsWith(keyName, "KB") || StartsWith(keyName, "Microsoft Security Patch");
}

bool MatchesSearch(const ProgramEntry& entry, const std::string& upperSearchText) {
  std::string searched = entry.DisplayName + entry.QuietDisplayName;
  if (searched.empty()) searched = entry.KeyName;
  return UpperCaseAscii(searched).find(upperSearchText) != std::string::npos;
}

std::vector<ProgramEntry> ScanInventory(const std::string& searchText, bool showSystemComponents) {
  const ScanFilter filter = {UpperCaseAscii(searchText), showSystemComponents};
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
  Known = std::move(seen);
  return inventory;
}

bool RunsUnderWow64() {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
