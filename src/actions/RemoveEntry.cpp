#include "actions/RemoveEntry.h"

#include "actions/Commands.h"
#include "actions/Launch.h"
#include "inventory/InventoryScan.h"
#include "registry/RegistryKey.h"

void RemoveEntry() {
  if (IsWaitingForChild()) return;
  if (const ProgramEntry* entry = GetSelectedEntry()) RemoveRegistration(*entry);
}

void RemoveRegistration(const ProgramEntry& entry) {
  CRegistryKey uninstallKey;
  if (!uninstallKey.Open(entry.Root, UninstallKeyPath, KEY_READ | entry.View)) return;
  uninstallKey.DeleteSubKey(entry.KeyName, entry.View);
  uninstallKey.Close();
}
