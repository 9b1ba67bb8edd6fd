#pragma once
// Reads on worker threads the registrations that a pass must read from the registry, in the
// pass's order and at most Window ahead of it, each with its usage data. Every registry call waits
// for a round trip (under Wine, to its server); the waits of several threads overlap. It pays for
// many keys, as at the first scan. Under Wine each thread takes about 1 MB while it lives: three
// read 5,000 registrations in about half the time of one, and more gain little. The workers show
// no message: a registration whose read failed there is read again by the pass, which shows why.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "inventory/RegistrationRead.h"
#include "inventory/UsageCache.h"

class CReadAhead {
 public:
  static constexpr unsigned Workers = 3;
  static constexpr size_t Least = 64, Window = 256;  // fewer registrations to read are not read ahead

  CReadAhead(PassKeys& keys, const ScanFilter& filter, const UsageRecordNames& records);
  ~CReadAhead();
  CReadAhead(const CReadAhead&) = delete;
  CReadAhead& operator=(const CReadAhead&) = delete;

  // The registration at subkey index i when it was read ahead without failing; the pass takes
  // them in their order.
  bool Take(uint32_t i, KnownRegistration& known);

 private:
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
