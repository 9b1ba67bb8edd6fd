#include "inventory/ReadAhead.h"

#include <system_error>

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
