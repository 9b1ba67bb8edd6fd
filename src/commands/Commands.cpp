#include "commands/Commands.h"

#include <string>

#include "QuillmereVersion.h"
#include "actions/EntryBackup.h"
#include "actions/Export.h"
#include "actions/Launch.h"
#include "actions/RemoveEntry.h"
#include "actions/UndoRemove.h"
#include "actions/Uninstall.h"
#include "inventory/EntryStatus.h"
#include "inventory/EntryValues.h"
#include "inventory/WideText.h"
#include "listview/ListColumns.h"
#include "listview/Population.h"
#include "listview/Sorting.h"
#include "ui/Details.h"
#include "ui/MenuState.h"
#include "ui/Messages.h"
#include "ui/ResourceIds.h"
#include "ui/Scan.h"
#include "ui/Settings.h"
#include "ui/WindowObjects.h"
#include "window/Scaling.h"

namespace {

const UINT_PTR SearchTimer = 0;
const UINT SearchDelay = 500;

const char* const AboutTail =
    "\r\n\r\nhttps://quillmere.example.org\r\n\r\n"
    "Copyright (C) 2026 The Quillmere developers. Free to use and to share.\r\n";

std::string RemoveQuestion(const std::wstring& backup) {
  std::string question = "Are you sure you want to remove entry from the list?";
  if (!backup.empty())
    question += "\n\nA copy is kept in \"" + NarrowFrom(backup) + "\"; Action > Undo remove entry puts it back.";
  return question;
}

void ConfirmAndRemoveEntry() {
  CActionScope action;
  if (!action.Started()) return;
  // No scan replaces the entries before the action ends: the one asked about stays in place.
  const ProgramEntry* asked = GetSelectedEntry();
  const std::wstring backup = asked ? NewBackupPath(*asked) : L"";
  if (MessageBoxA(MainWindow.GetHandle(), RemoveQuestion(backup).c_str(), AppTitle, MB_ICONWARNING | MB_YESNO) != IDYES)
    return;
  if (asked) RemoveEntry(*asked, backup);
  action.ScanAtEnd();
}

void CopySelectedRow() {
  if (const ProgramEntry* entry = SelectedEntryOrTell()) CopyRow(*entry);
}

// Shift+F10 and the menu key give the position -1, -1: the menu then opens at the selected item,
// brought into view, or at the list's top-left corner when nothing is selected.
POINT KeyboardMenuPosition() {
  POINT position = {0, 0};
  const int selected = ProgramList.GetSelectedIndex();
  RECT label;
  if (selected != -1 && ProgramList.EnsureVisible(selected, false) && ProgramList.GetItemLabelRect(selected, &label))
    position = {label.left, (label.top + label.bottom) / 2};
  ClientToScreen(ProgramList.GetHandle(), &position);
  return position;
}

// Ctrl+C and Ctrl+Z are the list's own keys, not accelerators: the search box keeps them for its text.
bool IsControlKey(WPARAM key, char letter) {
  return key == static_cast<WPARAM>(letter) && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
}

void ToggleColumn(int32_t& flag) {
  flag = flag == 0 ? 1 : 0;
  KeepSortColumnShown(AppSettings);
  FetchInventoryValues(ShownValues(AppSettings));
  PopulateList(ProgramList, AppSettings, MainWindow.GetIcon(), true);
}

// The details pane, the menus and the actions take the selected entry whole.
void FetchSelectedEntry() {
  if (ProgramEntry* entry = GetSelectedEntry()) FetchValues(*entry, AllValueBits);
}

void SortBy(ListColumn column) {
  AppSettings.SortColumn = column;
  FetchInventoryValues(ShownValues(AppSettings));
  SortList(ProgramList, AppSettings);
}

void SetSortDirection(int32_t ascending) {
  AppSettings.SortAscending = ascending;
  SortList(ProgramList, AppSettings);
}

// Shows or hides the details pane; the main window's layout gives the list the room.
void ToggleDetailsPane() {
  AppSettings.DetailsVisible = AppSettings.DetailsVisible ? 0 : 1;
  DetailsPanel.Show(AppSettings.DetailsVisible ? SW_SHOWNA : SW_HIDE);
  if (MainWindow.OnSize) MainWindow.OnSize(MainWindow.GetWidth(), MainWindow.GetHeight(), SIZE_RESTORED);
}

// The commands of the view menu; false for any other id.
bool HandleViewCommand(int id) {
  if (id == IDM_VIEW_DETAILS_PANE) {
    ToggleDetailsPane();
  } else if (id == IDM_VIEW_ICONS) {
    ProgramList.SetView(LVS_ICON);
  } else if (id == IDM_VIEW_LIST) {
    ProgramList.SetView(LVS_LIST);
    ProgramList.SetColumnWidth(0, ScaleToDpi(200, static_cast<int>(ProgramList.Dpi)));
  } else if (id == IDM_VIEW_DETAILS) {
    ProgramList.SetView(LVS_REPORT);
    ProgramList.AutoSizeColumns(ColumnPosition(ListColumn::Status));
  } else if (id >= IDM_SORT_BY_COLUMN_0 && id <= IDM_SORT_BY_COLUMN_4) {
    SortBy(static_cast<ListColumn>(id - IDM_SORT_BY_COLUMN_0));
  } else if (id == IDM_SORT_ASCENDING || id == IDM_SORT_DESCENDING) {
    SetSortDirection(id == IDM_SORT_ASCENDING ? 1 : 0);
  } else {
    return false;
  }
  UpdateViewMarks();
  return true;
}

// The commands of the menus and accelerators; false for any other id.
bool HandleMenuCommand(int id) {
  switch (id) {
    case IDM_UNINSTALL: Uninstall(); break;
    case IDM_REMOVE_ENTRY: ConfirmAndRemoveEntry(); break;
    case IDM_UNDO_REMOVE_ENTRY: UndoRemoveEntry(); break;
    case IDM_EXIT: MainWindow.Destroy(); break;
    case IDM_ABOUT: ShowAbout(); break;
    case IDM_REFRESH: RequestScan(); break;
    case IDM_SHOW_SYSTEM_COMPONENTS:
      ToggleMenuCheck(MainWindow.GetMenu(), IDM_SHOW_SYSTEM_COMPONENTS, AppSettings.ShowSystemComponents);
      RequestScan();
      break;
    case IDM_MODIFY: Repair(); break;
    case IDM_COPY: CopySelectedRow(); break;
    case IDM_EXPORT_LIST: ExportList(); break;
    case IDM_RUN_AS_ADMINISTRATOR: RunAsAdministrator(); break;
    case IDM_COLUMN_PROGRAM_NAME: break;
    case IDM_COLUMN_COMPANY: ToggleColumn(AppSettings.ShowCompanyColumn); break;
    case IDM_COLUMN_SIZE: ToggleColumn(AppSettings.ShowSizeColumn); break;
    case IDM_COLUMN_FREQUENCY: ToggleColumn(AppSettings.ShowFrequencyColumn); break;
    case IDM_COLUMN_LAST_USED: ToggleColumn(AppSettings.ShowLastUsedColumn); break;
    case IDM_COLUMN_INSTALLED_ON: ToggleColumn(AppSettings.ShowInstalledOnColumn); break;
    case IDM_COLUMN_STATUS: ToggleColumn(AppSettings.ShowStatusColumn); break;
    default: return HandleViewCommand(id);
  }
  return true;
}

}  // namespace

void HandleCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (id == IDM_FOCUS_SEARCH) {
    SearchEdit.SetFocus();
    return;
  }
  if (HandleMenuCommand(id)) return;
  if (HIWORD(wParam) == EN_CHANGE && reinterpret_cast<HWND>(lParam) == SearchEdit.GetHandle())
    SetTimer(MainWindow.GetHandle(), SearchTimer, SearchDelay, nullptr);
}

void OnMainWindowTimer(WPARAM timer, LPARAM) {
  if (timer == DetailsStatusTimer) {
    FillDetailsStatus();
    return;
  }
  KillTimer(MainWindow.GetHandle(), SearchTimer);
  RequestScan();
}

void RouteListNotification(WPARAM, LPARAM header) {
  auto* notification = reinterpret_cast<NMHDR*>(header);
  if (notification->hwndFrom != ProgramList.GetHandle()) return;
  if (notification->code == LVN_GETDISPINFOA && ProgramList.OnGetDisplayInfo)
    ProgramList.OnGetDisplayInfo(reinterpret_cast<NMLVDISPINFOA*>(header));
  auto* record = reinterpret_cast<NMLISTVIEW*>(header);
  CListView::NotificationHandler handler = nullptr;
  switch (notification->code) {
    case LVN_COLUMNCLICK: handler = ProgramList.OnColumnClick; break;
    case LVN_ITEMCHANGED:
      FetchSelectedEntry();
      handler = ProgramList.OnItemChanged;
      break;
    case NM_CLICK: handler = ProgramList.OnItemClick; break;
  }
  if (handler) handler(record);
}

void OnItemDisplayAsked(NMLVDISPINFOA* request) {
  if (auto* entry = reinterpret_cast<ProgramEntry*>(request->item.lParam)) FetchValues(*entry, ValuesAsked(request));
  SupplyCellText(request);
  SupplyItemImage(ProgramList, request);
}

void ShowContextMenu(WPARAM window, int x, int y) {
  const int which = reinterpret_cast<HWND>(window) == ProgramList.GetHeader() ? IDR_COLUMNS_MENU : IDR_PROGRAM_MENU;
  HMENU menu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(which));
  if (!menu) return;
  UpdateProgramMenu(menu, which);
  if (x == -1 && y == -1) {
    const POINT position = KeyboardMenuPosition();
    x = position.x;
    y = position.y;
  }
  TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, x, y, ProgramList.GetHandle(), nullptr);
  DestroyMenu(menu);
}

void ShowAbout() {
  const std::string text = std::string(AppTitle) + " " + QUILLMERE_VERSION + AboutTail;
  MSGBOXPARAMSA params = {};
  params.cbSize = sizeof params;
  params.hwndOwner = MainWindow.GetHandle();
  params.hInstance = AppInstance;
  params.lpszText = text.c_str();
  params.lpszCaption = "About Quillmere...";
  params.dwStyle = MB_USERICON;
  params.lpszIcon = MAKEINTRESOURCEA(IDI_QUILLMERE);
  MessageBoxIndirectA(&params);
}

void OnListKeyDown(WPARAM key, LPARAM) {
  if (key == VK_RETURN) Uninstall();
  if (IsControlKey(key, 'C')) CopySelectedRow();
  if (IsControlKey(key, 'Z')) UndoRemoveEntry();
}

void OnColumnClicked(NMLISTVIEW* notification) {
  ListColumn clicked;
  if (ColumnAt(notification->iSubItem, clicked) && clicked == ListColumn::Status) FetchInventoryValues(StatusValues);
  SortByClickedColumn(ProgramList, AppSettings, notification->iSubItem);
  UpdateViewMarks();
}

void UninstallSelected() { Uninstall(); }
