#include "actions/RemoveEntry.h"

#include "inventory/InventoryScan.h"
#include "registry/RegistryKey.h"
#include "ui/Elevation.h"
#include "ui/Messages.h"

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

void RemoveEntry(const ProgramEntry& entry) {
  CRegistryKey uninstallKey;
  uninstallKey.Quiet = true;
  if (!uninstallKey.Open(entry.Root, UninstallKeyPath, KEY_READ | entry.View) ||
      !uninstallKey.DeleteSubKey(entry.KeyName, entry.View))
    ShowRemovalFailure(entry, uninstallKey.LastError);
}
