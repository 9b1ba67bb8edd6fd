#include "actions/Uninstall.h"

#include <windows.h>

#include <string>

#include "actions/Launch.h"
#include "inventory/EntryValues.h"
#include "ui/Messages.h"
#include "ui/Scan.h"
#include "ui/WindowObjects.h"

namespace {

bool OnlyQuietRemovalConfirmed() {
  return MessageBoxA(MainWindow.GetHandle(),
                     "Warning: this program can only be removed in Quiet mode.\n\nDo you want to proceed ?", AppTitle,
                     MB_ICONWARNING | MB_YESNO) == IDYES;
}

}  // namespace

void Uninstall() {
  CActionScope action;
  if (!action.Started()) return;
  const ProgramEntry* entry = SelectedEntryOrTell();
  if (!entry) return;
  if (entry->UninstallString.empty() && !entry->QuietUninstallString.empty()) {
    if (OnlyQuietRemovalConfirmed()) LaunchUninstaller(*entry, ExpandedValue(*entry, QuietUninstallStringBit));
  } else {
    LaunchUninstaller(*entry, ExpandedValue(*entry, UninstallStringBit));
  }
  action.ScanAtEnd();
}

void Repair() {
  CActionScope action;
  if (!action.Started()) return;
  const ProgramEntry* entry = SelectedEntryOrTell();
  if (!entry) return;
  LaunchAndWait("msiexec /f " + entry->KeyName);
  action.ScanAtEnd();
}
