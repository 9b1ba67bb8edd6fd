#include "actions/RemoveEntry.h"

#include "inventory/InventoryScan.h"
#include "registry/RegistryKey.h"

void RemoveEntry(const ProgramEntry& entry) {
  CRegistryKey uninstallKey;
  if (!uninstallKey.Open(entry.Root, UninstallKeyPath, KEY_READ | entry.View)) return;
  uninstallKey.DeleteSubKey(entry.KeyName, entry.View);
}
