#include "actions/RemoveEntry.h"

#include "actions/EntryBackup.h"
#include "inventory/InventoryScan.h"
#include "inventory/WideText.h"
#include "registry/RegistryKey.h"
#include "ui/Elevation.h"
#include "ui/Messages.h"
#include "ui/RemovedEntries.h"

namespace {

void ShowRemovalFailure(const ProgramEntry& entry, LONG error) {
  std::string text = "Couldn't remove the entry \"" + Title(entry) + "\".\n\n" + SystemReason(error);
  if (error == ERROR_ACCESS_DENIED && !RunsElevated())
    text +=
        "\n\nEntries installed for all users can be removed by an administrator: choose Action > Run as "
        "administrator.";
  ShowError(text);
}

}  // namespace

void RemoveEntry(const ProgramEntry& entry, const std::wstring& backupPath) {
  RegKeyTree tree;
  if (const DWORD error = BackUpRegistration(entry, backupPath, tree)) {
    ShowError("Couldn't remove the entry \"" + Title(entry) + "\": no copy of it could be kept in \"" +
              NarrowFrom(backupPath) + "\".\n\n" + SystemReason(error));
    return;
  }
  CRegistryKey uninstallKey;
  uninstallKey.Quiet = true;
  if (!uninstallKey.Open(entry.Root, UninstallKeyPath, KEY_READ | entry.View) ||
      !uninstallKey.DeleteSubKey(entry.KeyName, entry.View))
    return ShowRemovalFailure(entry, uninstallKey.LastError);
  RemovedRegistrations.push_back({entry, std::move(tree), backupPath});
}
