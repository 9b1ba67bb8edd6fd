#include "actions/Uninstall.h"

#include <windows.h>

#include <string>

#include "actions/Commands.h"
#include "actions/Launch.h"
#include "app/MainWindow.h"
#include "app/Scan.h"

namespace {

const char* const AppTitle = "Quillmere";

const ProgramEntry* SelectedEntryOrTell() {
  const ProgramEntry* entry = GetSelectedEntry();
  if (!entry) MessageBoxA(MainWindow.GetHandle(), "Please select a program", AppTitle, MB_ICONINFORMATION);
  return entry;
}

std::string QuietCommand(const ProgramEntry& entry) {
  if (!entry.QuietUninstallString.empty()) return entry.QuietUninstallString;
  if (entry.WindowsInstaller) return "msiexec /quiet /uninstall " + entry.KeyName;
  return "";
}

bool OnlyQuietRemovalConfirmed() {
  return MessageBoxA(MainWindow.GetHandle(),
                     "Warning: this program can only be removed in Quiet mode.\n\nDo you want to proceed ?",
                     AppTitle, MB_ICONWARNING | MB_YESNO) == IDYES;
}

}  // namespace

void Uninstall(bool quiet) {
  if (IsWaitingForChild()) return;
  const ProgramEntry* entry = SelectedEntryOrTell();
  if (!entry) return;
  // The entry is read before the question: a scan run from the box's modal loop (the search
  // timer) replaces every entry.
  const std::string quietCommand = QuietCommand(*entry);
  const bool onlyQuiet = entry->UninstallString.empty() && !entry->QuietUninstallString.empty();
  if (quiet) {
    LaunchAndWait(quietCommand);
  } else if (onlyQuiet) {
    if (OnlyQuietRemovalConfirmed()) LaunchAndWait(quietCommand);
  } else {
    LaunchAndWait(entry->UninstallString);
  }
  Scan();
}

void Repair() {
  if (IsWaitingForChild()) return;
  const ProgramEntry* entry = SelectedEntryOrTell();
  if (!entry) return;
  LaunchAndWait("msiexec /f " + entry->KeyName);
  Scan();
}
