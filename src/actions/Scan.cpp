#include "actions/Scan.h"

#include <string>
#include <utility>

#include "actions/Details.h"
#include "actions/MenuState.h"
#include "actions/ResourceIds.h"
#include "actions/Settings.h"
#include "actions/WindowObjects.h"
#include "inventory/InventoryScan.h"
#include "listview/Population.h"

namespace {

bool ActionRunning = false;
bool ScanRunning = false;
bool ScanDeferred = false;

std::string StatusText(size_t count) { return count == 0 ? "Nothing found" : std::to_string(count) + " applications"; }

void ScanOnce() {
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  ClearDetails();
  std::vector<ProgramEntry> fresh = ScanInventory(SearchEdit.GetText(), AppSettings.ShowSystemComponents != 0);
  // The list items point into the inventory: the previous entries stay alive until the list
  // has been rebuilt from the new ones.
  std::vector<ProgramEntry> previous = std::exchange(ProgramInventory, std::move(fresh));
  PopulateList(ProgramList, AppSettings, MainWindow.GetIcon(), true);
  previous.clear();
  FillDetails();
  UpdateProgramMenu(MainWindow.GetMenu(), IDR_PROGRAM_MENU);
  StatusBar.SetText(StatusText(ProgramInventory.size()));
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

}  // namespace

void RequestScan() {
  if (ScanRunning || ActionRunning) {
    ScanDeferred = true;
    return;
  }
  ScanRunning = true;
  do {
    ScanDeferred = false;
    ScanOnce();
  } while (ScanDeferred);
  ScanRunning = false;
}

CActionScope::CActionScope() : Owner(!ActionRunning) { ActionRunning = true; }

CActionScope::~CActionScope() {
  if (!Owner) return;
  ActionRunning = false;
  if (ScanDeferred) RequestScan();
}

void CActionScope::ScanAtEnd() { ScanDeferred = true; }
