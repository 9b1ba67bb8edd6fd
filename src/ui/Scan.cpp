#include "ui/Scan.h"

#include <chrono>
#include <future>
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

// What a scan is asked to list.
struct ScanRequest {
  std::string SearchText;
  bool ShowSystemComponents;
  uint32_t WantedValues;

  bool operator==(const ScanRequest& other) const {
    return SearchText == other.SearchText && ShowSystemComponents == other.ShowSystemComponents &&
           WantedValues == other.WantedValues;
  }
};

std::vector<ProgramEntry> ScanFor(const ScanRequest& request) {
  return ScanInventory(request.SearchText, request.ShowSystemComponents, request.WantedValues);
}

ScanRequest EarlyRequest = {"", false, 0};
std::future<std::vector<ProgramEntry>> EarlyScan;

// Waits for the early scan. An error box of its thread may hold it: the windows are painted meanwhile.
std::vector<ProgramEntry> TakeEarlyScan() {
  while (EarlyScan.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&message);
  }
  return EarlyScan.get();
}

std::vector<ProgramEntry> Scanned(const ScanRequest& request) {
  if (EarlyScan.valid()) {
    std::vector<ProgramEntry> early = TakeEarlyScan();
    if (request == EarlyRequest) return early;
  }
  return ScanFor(request);
}

std::string StatusText(size_t count) { return count == 0 ? "Nothing found" : std::to_string(count) + " applications"; }

void ScanOnce() {
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  ClearDetails();
  std::vector<ProgramEntry> fresh =
      Scanned({SearchEdit.GetText(), AppSettings.ShowSystemComponents != 0, ShownValues(AppSettings)});
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

void StartFirstScan() {
  EarlyRequest = {"", AppSettings.ShowSystemComponents != 0, ShownValues(AppSettings)};
  EarlyScan = std::async(std::launch::async, ScanFor, EarlyRequest);
}

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
