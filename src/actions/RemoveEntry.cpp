#include "actions/RemoveEntry.h"

#include "actions/EntryBackup.h"
#include "inventory/InventoryScan.h"
#include "inventory/WideText.h"
#include "registry/RegistryKey.h"
#include "ui/Messages.h"
#include "ui/RemovedEntries.h"

void RemoveEntry(const ProgramEntry& entry, const std::wstring& backupPath) {
  RegKeyTree tree;
  if (const DWORD error = BackUpRegistration(entry, backupPath, tree)) {
    ShowError("Couldn't remove the entry \"" + Title(entry) + "\": no copy of it could be kept in \"" +
              NarrowFrom(backupPath) + "\".\n\n" + SystemReason(error));
    return;
  }
  CRegistryKey uninstallKey;
  if (!uninstallKey.Open(entry.Root, UninstallKeyPath, KEY_READ | entry.View)) return;
  if (uninstallKey.DeleteSubKey(entry.KeyName, entry.View))
    RemovedRegistrations.push_back({entry, std::move(tree), backupPath});
}
