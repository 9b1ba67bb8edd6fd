#include "inventory/ScanCache.h"

#include <utility>

namespace {

KnownRegistrations Known;

}  // namespace

const StoredRegistration* Unchanged(const RegistryView& pass, const std::string& keyName, const FILETIME& written) {
  const auto found = Known.find(RegistrationId(pass.Root, pass.View, keyName));
  return found != Known.end() && Ticks(found->second.LastWrite) == Ticks(written) ? &found->second : nullptr;
}

void KeepRegistrations(KnownRegistrations seen) { Known = std::move(seen); }

void RememberValues(const ProgramEntry& entry, bool failed) {
  const auto found = Known.find(RegistrationId(entry.Root, entry.View, entry.KeyName));
  if (found == Known.end()) return;
  if (failed)
    Known.erase(found);
  else
    found->second.Values = PackValues(entry);
}
