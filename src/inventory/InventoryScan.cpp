#include "inventory/InventoryScan.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <tuple>

#include "inventory/AsciiCase.h"
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
  uint32_t WantedValues;
};

// A registration as a scan reads it.
struct KnownRegistration {
  FILETIME LastWrite;
  bool Listed;         // it has an uninstall value
  bool Failed;         // the key could not be opened, or a read of it failed
  ProgramEntry Entry;  // the values read so far, and the usage data
};

// What a registration's key held when a scan read it. A later scan uses it instead of reading
// the key again while the key's last-write time is unchanged: writing a value or deleting one
// sets that time, so the values are still the same. A key that could not be opened or read is
// not kept: the next scan tries it again. Usage data is read anew by every scan.
struct StoredRegistration {
  FILETIME LastWrite;
  bool Listed;
  PackedValues Values;
};

using RegistrationId = std::tuple<HKEY, REGSAM, std::string>;
using KnownRegistrations = std::map<RegistrationId, StoredRegistration>;

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

bool Dropped(const ProgramEntry& entry, const ScanFilter& filter) {
  if (!filter.ShowSystemComponents && IsSystemComponent(entry)) return true;
  return !filter.UpperSearchText.empty() && !MatchesSearch(entry, filter.UpperSearchText);
}

// The keys under which a pass finds the registrations and their usage records. Registrations
// are opened relative to them: short paths, which the ANSI registry calls of Wine need.
struct PassKeys {
  RegistryView View;
  CRegistryKey Uninstall;
  CRegistryKey UsageCache;
};

// The values that the entry's title and the filters need: SystemComponent, DisplayName, and
// QuietDisplayName when the DisplayName is empty or a search is on.
uint32_t NamesNeeded(const ProgramEntry& entry, const ScanFilter& filter) {
  const bool quietNeeded = entry.DisplayName.empty() || !filter.UpperSearchText.empty();
  return SystemComponentBit | DisplayNameBit | (quietNeeded ? QuietDisplayNameBit : 0u);
}

bool LacksValues(const ProgramEntry& entry, const ScanFilter& filter) {
  if (!HoldsValues(entry, NamesNeeded(entry, filter))) return true;
  return !Dropped(entry, filter) && !HoldsValues(entry, filter.WantedValues);
}

// Reads the names, then, unless the search drops the entry, the values wanted.
void ReadWantedValues(CRegistryKey& key, const ScanFilter& filter, ProgramEntry& entry) {
  ReadEntryValues(key, entry, SystemComponentBit | DisplayNameBit);
  ReadEntryValues(key, entry, NamesNeeded(entry, filter));
  if (!Dropped(entry, filter)) ReadEntryValues(key, entry, filter.WantedValues);
}

// Reads the registration's key: whether it has an uninstall value, and if so the values wanted.
// Quiet, a failed read shows no message.
void ReadRegistration(PassKeys& keys, const ScanFilter& filter, KnownRegistration& known, bool quiet = false) {
  CRegistryKey key;
  key.Quiet = quiet;
  known.Failed = !key.Open(keys.Uninstall.Handle, known.Entry.KeyName, KEY_READ | keys.View.View);
  known.Listed = key.HasValue("UninstallString") || key.HasValue("QuietUninstallString");
  if (known.Listed) ReadWantedValues(key, filter, known.Entry);
  known.Failed |= key.ReadFailed;
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

KnownRegistration NewRegistration(const RegistryView& pass, const std::string& keyName, const FILETIME& written) {
  KnownRegistration known = {written, false, false, ProgramEntry()};
  known.Entry.KeyName = keyName;
  known.Entry.Root = pass.Root;
  known.Entry.View = pass.View;
  return known;
}

// What the last scan kept of the registration when its key is unchanged since, else null.
const StoredRegistration* Unchanged(const RegistryView& pass, const std::string& keyName, const FILETIME& written) {
  const auto found = Known.find(RegistrationId(pass.Root, pass.View, keyName));
  return found != Known.end() && Ticks(found->second.LastWrite) == Ticks(written) ? &found->second : nullptr;
}

bool Skipped(const ScanFilter& filter, const std::string& keyName) {
  return !filter.ShowSystemComponents && IsHotFix(keyName);
}

// The registration as it is now: from the last scan when its key is unchanged, else read.
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

// Reads on worker threads the registrations that a pass must read from the registry, in the
// pass's order and at most Window ahead of it, each with its usage data. Every registry call waits
// for a round trip (under Wine, to its server); the waits of several threads overlap. It pays for
// many keys, as at the first scan. Under Wine each thread takes about 1 MB while it lives: three
// read 5,000 registrations in about half the time of one, and more gain little. The workers show
// no message: a registration whose read failed there is read again by the pass, which shows why.
class CReadAhead {
 public:
  CReadAhead(PassKeys& keys, const ScanFilter& filter, const UsageRecordNames& records);
  ~CReadAhead();
  CReadAhead(const CReadAhead&) = delete;
  CReadAhead& operator=(const CReadAhead&) = delete;

  // The registration at subkey index i when it was read ahead without failing; the pass takes
  // them in their order.
  bool Take(uint32_t i, KnownRegistration& known);

 private:
  static constexpr unsigned Workers = 3;
  static constexpr size_t Least = 64, Window = 256;
  struct Slot {
    bool Ready = false;
    bool Read = false;
    KnownRegistration Registration;
  };

  void Work();
  bool Read(KnownRegistration& known);

  PassKeys& Keys;
  const ScanFilter& Filter;
  const UsageRecordNames& Records;
  std::vector<uint32_t> Unread;  // the subkey indexes to read, in order
  std::vector<Slot> Slots;       // Unread[n] goes to Slots[n % Window]
  std::atomic<size_t> Claimed{0};
  size_t Taken = 0;  // the slots up to which the pass took its registrations; guarded by Lock
  bool Stopping = false;
  std::mutex Lock;
  std::condition_variable Changed;
  std::vector<std::thread> Threads;
};

CReadAhead::CReadAhead(PassKeys& keys, const ScanFilter& filter, const UsageRecordNames& records)
    : Keys(keys), Filter(filter), Records(records) {
  const CRegistryKey& uninstall = keys.Uninstall;
  for (uint32_t i = 0; i < uninstall.SubKeyCount; ++i) {
    const std::string& keyName = uninstall.SubKeyNames[i];
    if (!Skipped(filter, keyName) && !Unchanged(keys.View, keyName, uninstall.SubKeyWriteTimes[i])) Unread.push_back(i);
  }
  if (Unread.size() < Least) return;
  Slots.resize(Window);
  try {
    while (Threads.size() < Workers) Threads.emplace_back(&CReadAhead::Work, this);
  } catch (const std::system_error&) {
    // Fewer workers read them all the same; without any, the pass reads them itself.
  }
}

CReadAhead::~CReadAhead() {
  {
    std::lock_guard<std::mutex> lock(Lock);
    Stopping = true;
  }
  Changed.notify_all();
  for (std::thread& thread : Threads) thread.join();
}

bool CReadAhead::Take(uint32_t i, KnownRegistration& known) {
  if (Threads.empty()) return false;
  std::unique_lock<std::mutex> lock(Lock);
  if (Taken == Unread.size() || Unread[Taken] != i) return false;
  Slot& slot = Slots[Taken % Window];
  Changed.wait(lock, [&] { return slot.Ready; });
  // Once taken, the slot is a worker's to fill again: read it before letting go of the lock.
  const bool read = slot.Read;
  if (read) known = std::move(slot.Registration);
  slot.Ready = false;
  ++Taken;
  lock.unlock();
  Changed.notify_all();
  return read;
}

void CReadAhead::Work() {
  for (size_t n = Claimed++; n < Unread.size(); n = Claimed++) {
    {
      std::unique_lock<std::mutex> lock(Lock);
      Changed.wait(lock, [&] { return Stopping || n < Taken + Window; });
      if (Stopping) return;
    }
    const uint32_t i = Unread[n];
    KnownRegistration known =
        NewRegistration(Keys.View, Keys.Uninstall.SubKeyNames[i], Keys.Uninstall.SubKeyWriteTimes[i]);
    const bool read = Read(known);
    {
      std::lock_guard<std::mutex> lock(Lock);
      Slot& slot = Slots[n % Window];
      slot.Registration = std::move(known);
      slot.Read = read;
      slot.Ready = true;
    }
    Changed.notify_all();
  }
}

bool CReadAhead::Read(KnownRegistration& known) {
  ReadRegistration(Keys, Filter, known, true);
  if (known.Failed) return false;
  if (known.Listed && !Dropped(known.Entry, Filter) && Keys.UsageCache.IsOpen() &&
      MayHaveUsageRecord(Records, known.Entry.KeyName))
    ReadUsageRecord(Keys.UsageCache.Handle, Keys.View.View, known.Entry.KeyName, known.Entry);
  return true;
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

// Keeps what was read of the entry's key for later scans, or, when its key could not be opened
// or read, has the next scan read it again.
void RememberValues(const ProgramEntry& entry, bool failed) {
  const auto found = Known.find(RegistrationId(entry.Root, entry.View, entry.KeyName));
  if (found == Known.end()) return;
  if (failed)
    Known.erase(found);
  else
    found->second.Values = PackValues(entry);
}

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

bool IsHotFix(const std::string& keyName) {
  return StartsWith(keyName, "KB") || StartsWith(keyName, "Microsoft Security Patch");
}

bool MatchesSearch(const ProgramEntry& entry, const std::string& upperSearchText) {
  std::string searched = entry.DisplayName + entry.QuietDisplayName;
  if (searched.empty()) searched = entry.KeyName;
  return UpperCaseAscii(searched).find(upperSearchText) != std::string::npos;
}

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
  Known = std::move(seen);
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
