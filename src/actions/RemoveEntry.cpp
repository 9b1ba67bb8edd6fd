#include "actions/RemoveEntry.h"

#include "actions/Commands.h"
#include "actions/Launch.h"
#include "inventory/InventoryScan.h"
#include "registry/RegistryKey.h"

void RemoveEntry() {
  if (IsWaitingForChild()) return;
  const ProgramEntry* entry = GetSelectedEntry();
  if (!entry) return;
  CRegistryKey uninstallKey;
  if (!uninstallKey.Open(entry->Root, UninstallKeyPath, KEY_READ)) return;
  uninstallKey.DeleteSubKey(entry->KeyName);
  uninstallKey.Close();
}
