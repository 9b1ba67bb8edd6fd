#include "ui/Scan.h"

#include <string>
#include <utility>

#include "inventory/InventoryScan.h"
#include "listview/ListColumns.h"
#include "listview/Population.h"
#include "ui/Details.h"
#include "ui/MenuState.h"
#include "ui/ResourceIds.h"
#include "ui/Settings.h"
#include "ui/WindowObjects.h"

namespace {

bool ActionRunning = false;
bool ScanRunning = false;
bool ScanDeferred = false;
bool ValuesBeingFetched = false;

std::string StatusText(size_t count) { return count == 0 ? "Nothing found" : std::to_string(count) + " applications"; }

void ScanOnce() {
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  ClearDetails();
  std::vector<ProgramEntry> fresh =
      ScanInventory(SearchEdit.GetText(), AppSettings.ShowSystemComponents != 0, ShownValues(AppSettings));
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

template <typename Fetch>
void FetchDeferringScans(Fetch fetch) {
  const bool outermost = !ValuesBeingFetched;
  ValuesBeingFetched = true;
  fetch();
  if (!outermost) return;
  ValuesBeingFetched = false;
  if (ScanDeferred && !ScanRunning && !ActionRunning) PostMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
}

}  // namespace

void RequestScan() {
  if (ScanRunning || ActionRunning || ValuesBeingFetched) {
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

void FetchValues(ProgramEntry& entry, uint32_t wanted) {
  if (!HoldsValues(entry, wanted)) FetchDeferringScans([&entry, wanted] { ReadMissingValues(entry, wanted); });
}

void FetchInventoryValues(uint32_t wanted) {
  FetchDeferringScans([wanted] { ReadMissingValues(ProgramInventory, wanted); });
}
