#include "ui/MenuState.h"

#include <shellapi.h>

#include "ui/Elevation.h"
#include "ui/RemovedEntries.h"
#include "ui/ResourceIds.h"
#include "ui/Settings.h"
#include "ui/WindowObjects.h"

namespace {

UINT CheckedIf(bool checked) { return MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED); }
UINT EnabledIf(bool enabled) { return MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED); }

void UpdateProgramCommands(HMENU menu) {
  const ProgramEntry* entry = GetSelectedEntry();
  const bool windowsInstaller = entry && entry->WindowsInstaller == 1;
  EnableMenuItem(menu, IDM_UNINSTALL, EnabledIf(entry && !entry->UninstallString.empty()));
  EnableMenuItem(menu, IDM_MODIFY, EnabledIf(windowsInstaller));
  EnableMenuItem(menu, IDM_REMOVE_ENTRY, EnabledIf(entry != nullptr));
  EnableMenuItem(menu, IDM_COPY, EnabledIf(entry != nullptr));
  EnableMenuItem(menu, IDM_UNDO_REMOVE_ENTRY, EnabledIf(!RemovedRegistrations.empty()));
  RepairButton.Show(windowsInstaller ? SW_SHOWNORMAL : SW_HIDE);
}

void UpdateColumnChecks(HMENU menu) {
  EnableMenuItem(menu, IDM_COLUMN_PROGRAM_NAME, MF_BYCOMMAND | MF_GRAYED);
  CheckMenuItem(menu, IDM_COLUMN_PROGRAM_NAME, CheckedIf(true));
  CheckMenuItem(menu, IDM_COLUMN_COMPANY, CheckedIf(AppSettings.ShowCompanyColumn));
  CheckMenuItem(menu, IDM_COLUMN_SIZE, CheckedIf(AppSettings.ShowSizeColumn));
  CheckMenuItem(menu, IDM_COLUMN_FREQUENCY, CheckedIf(AppSettings.ShowFrequencyColumn));
  CheckMenuItem(menu, IDM_COLUMN_LAST_USED, CheckedIf(AppSettings.ShowLastUsedColumn));
  CheckMenuItem(menu, IDM_COLUMN_INSTALLED_ON, CheckedIf(AppSettings.ShowInstalledOnColumn));
  CheckMenuItem(menu, IDM_COLUMN_STATUS, CheckedIf(AppSettings.ShowStatusColumn));
}

// The sort command of a column, in the columns' fixed order; 0 for a column past the last one
// that has a command.
UINT SortCommand(ListColumn column) {
  const int n = static_cast<int>(column);
  return n <= IDM_SORT_BY_COLUMN_4 - IDM_SORT_BY_COLUMN_0 ? static_cast<UINT>(IDM_SORT_BY_COLUMN_0 + n) : 0;
}

// The command of the list's view, or 0 for the small icon view, which has none.
UINT ViewCommand(DWORD view) {
  switch (view) {
    case LVS_ICON: return IDM_VIEW_ICONS;
    case LVS_REPORT: return IDM_VIEW_DETAILS;
    case LVS_LIST: return IDM_VIEW_LIST;
    default: return 0;
  }
}

// The system's shield icon (from Windows Vista on) as a small menu bitmap, or null.
HBITMAP ShieldBitmap() {
  struct StockIconInfo {
    DWORD Size;
    HICON Icon;
    int SystemImage, IconIndex;
    WCHAR Path[MAX_PATH];
  };
  using GetStockIconInfo = HRESULT(WINAPI*)(int, UINT, StockIconInfo*);
  auto getInfo = reinterpret_cast<GetStockIconInfo>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), "SHGetStockIconInfo")));
  const int ShieldIcon = 77;                            // SIID_SHIELD
  const UINT SmallIcon = SHGFI_ICON | SHGFI_SMALLICON;  // SHGSI_ICON | SHGSI_SMALLICON
  StockIconInfo info = {sizeof info, nullptr, 0, 0, {}};
  if (!getInfo || FAILED(getInfo(ShieldIcon, SmallIcon, &info))) return nullptr;
  const int width = GetSystemMetrics(SM_CXSMICON), height = GetSystemMetrics(SM_CYSMICON);
  BITMAPINFO format = {};
  format.bmiHeader = {sizeof format.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  DrawIconEx(dc, 0, 0, info.Icon, width, height, 0, nullptr, DI_NORMAL);  // with its alpha channel
  SelectObject(dc, previous);
  DeleteDC(dc);
  DestroyIcon(info.Icon);
  return bitmap;
}

}  // namespace

void OfferRunAsAdministrator(HMENU menu) {
  if (RunsElevated()) {
    DeleteMenu(menu, IDM_RUN_AS_ADMINISTRATOR, MF_BYCOMMAND);
    return;
  }
  MENUITEMINFOA item = {};
  item.cbSize = sizeof item;
  item.fMask = MIIM_BITMAP;
  item.hbmpItem = ShieldBitmap();
  if (item.hbmpItem) SetMenuItemInfoA(menu, IDM_RUN_AS_ADMINISTRATOR, FALSE, &item);
}

void UpdateProgramMenu(HMENU menu, int which) {
  if (which == IDR_PROGRAM_MENU) UpdateProgramCommands(menu);
  if (which == IDR_COLUMNS_MENU) UpdateColumnChecks(menu);
}

void UpdateViewMarks() {
  HMENU menu = MainWindow.GetMenu();
  // With no command for the list's view (small icons), no view item keeps a mark.
  CheckMenuRadioItem(menu, IDM_VIEW_ICONS, IDM_VIEW_DETAILS, ViewCommand(ProgramList.GetView()), MF_BYCOMMAND);
  CheckMenuRadioItem(menu, IDM_SORT_ASCENDING, IDM_SORT_DESCENDING,
                     AppSettings.SortAscending ? IDM_SORT_ASCENDING : IDM_SORT_DESCENDING, MF_BYCOMMAND);
  CheckMenuRadioItem(menu, IDM_SORT_BY_COLUMN_0, IDM_SORT_BY_COLUMN_4, SortCommand(AppSettings.SortColumn),
                     MF_BYCOMMAND);
  CheckMenuItem(menu, IDM_VIEW_DETAILS_PANE, CheckedIf(AppSettings.DetailsVisible));
}

void ToggleMenuCheck(HMENU menu, UINT id, int32_t& flag) {
  CheckMenuItem(menu, id, CheckedIf(flag == 0));
  flag = flag == 0 ? 1 : 0;
}
