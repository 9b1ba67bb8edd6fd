#include "actions/UndoRemove.h"

#include "actions/EntryBackup.h"
#include "inventory/WideText.h"
#include "ui/Messages.h"
#include "ui/RemovedEntries.h"
#include "ui/Scan.h"

namespace {

std::string FailureText(const RemovedRegistration& removed, DWORD error) {
  const std::string reason = error == ERROR_ALREADY_EXISTS
                                 ? "A registration of that name exists again (the program may have been installed "
                                   "again); it is left as it is."
                                 : SystemReason(error);
  return "Couldn't put back the entry \"" + Title(removed.Entry) + "\".\n\n" + reason + "\n\nIts copy stays in \"" +
         NarrowFrom(removed.BackupPath) + "\".";
}

}  // namespace

void UndoRemoveEntry() {
  CActionScope action;
  if (!action.Started() || RemovedRegistrations.empty()) return;
  const DWORD error = RestoreRegistration(RemovedRegistrations.back().Entry, RemovedRegistrations.back().Tree);
  if (error == ERROR_SUCCESS)
    RemovedRegistrations.pop_back();
  else
    ShowError(FailureText(RemovedRegistrations.back(), error));
  action.ScanAtEnd();
}
