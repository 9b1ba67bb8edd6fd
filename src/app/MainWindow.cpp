#include "app/MainWindow.h"

#include "actions/Uninstall.h"
#include "commands/Commands.h"
#include "listview/Population.h"
#include "ui/Details.h"
#include "ui/MenuState.h"
#include "ui/Messages.h"
#include "ui/ResourceIds.h"
#include "ui/Settings.h"
#include "ui/WindowObjects.h"
#include "window/Dpi.h"
#include "window/Scaling.h"

namespace {

// The child that had the focus when the main window was last deactivated.
HWND FocusedChild = nullptr;

// A button that has the focus is pressed from the keyboard with Space, as the system's buttons are,
// or with Enter.
bool IsButtonPressKey(WPARAM key) { return key == VK_SPACE || key == VK_RETURN; }
void OnRemoveKeyUp(WPARAM key, LPARAM) {
  if (IsButtonPressKey(key)) UninstallSelected();
}
void OnRepairKeyUp(WPARAM key, LPARAM) {
  if (IsButtonPressKey(key)) Repair();
}

void SetBottomRowTexts() {
  SearchLabel.SetText("Search:");
  RemoveButton.SetText("Remove");
  RemoveButton.OnClick = UninstallSelected;
  RemoveButton.OnKeyUp = OnRemoveKeyUp;
  RepairButton.SetText("Repair");
  RepairButton.OnClick = Repair;
  RepairButton.OnKeyUp = OnRepairKeyUp;
}

// The child that had the focus last while it can still take it, else the program list (null
// until that exists).
HWND ChildToFocus() {
  if (IsChild(MainWindow.GetHandle(), FocusedChild) && IsWindowVisible(FocusedChild) && IsWindowEnabled(FocusedChild))
    return FocusedChild;
  return ProgramList.GetHandle();
}

void GiveFocusToChild() {
  if (HWND child = ChildToFocus()) SetFocus(child);
}

// Deactivated (by a message box, say), the main window notes which child has the focus; activated
// again, and not minimized, it gives the focus back to that child.
void OnMainWindowActivated(WPARAM state, LPARAM) {
  HWND focus = GetFocus();
  if (LOWORD(state) == WA_INACTIVE && IsChild(MainWindow.GetHandle(), focus)) FocusedChild = focus;
  if (LOWORD(state) != WA_INACTIVE && HIWORD(state) == 0) GiveFocusToChild();
}

// The main window never keeps the focus itself while it has a child to pass it on to.
void OnMainWindowFocused(WPARAM, LPARAM) { GiveFocusToChild(); }

// Moved to a monitor of another scale, or the scale changed: the window takes the rectangle that
// the system suggests, and its children the new DPI's fonts, sizes and icons.
void OnMainWindowDpiChanged(WPARAM dpis, LPARAM suggested) {
  ScaleChildren(LOWORD(dpis));
  PopulateList(ProgramList, AppSettings, MainWindow.GetIcon(), true);
  const RECT& rect = *reinterpret_cast<const RECT*>(suggested);
  SetWindowPos(MainWindow.GetHandle(), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  LayoutMainWindow(MainWindow.GetWidth(), MainWindow.GetHeight(), SIZE_RESTORED);
}

void ConfigureMainWindow(HINSTANCE instance) {
  MainWindow.SetText(AppTitle);
  MainWindow.SetIcon(LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLMERE)));
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAIN_MENU));
  OfferRunAsAdministrator(menu);
  MainWindow.SetMenu(menu);
  MainWindow.SetAccelerators(LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS)));
  MainWindow.OnNotify = RouteListNotification;
  MainWindow.OnCommand = HandleCommand;
  MainWindow.OnTimer = OnMainWindowTimer;
  MainWindow.OnActivate = OnMainWindowActivated;
  MainWindow.OnSetFocus = OnMainWindowFocused;
  // Before the window exists its DPI is the system's; then its layout follows its size and DPI.
  const UINT dpi = SystemDpi();
  const SIZE size = ScaleWindowSize(AppSettings.WindowWidth, AppSettings.WindowHeight, WS_OVERLAPPEDWINDOW, true, dpi);
  MainWindow.SetSize(size.cx, size.cy);
  MainWindow.SetPosition(ScaleToDpi(AppSettings.WindowLeft, static_cast<int>(dpi)),
                         ScaleToDpi(AppSettings.WindowTop, static_cast<int>(dpi)));
  MainWindow.OnSize = LayoutMainWindow;
  MainWindow.OnDpiChanged = OnMainWindowDpiChanged;
}

void CreateDetailsPane() {
  HWND main = MainWindow.GetHandle();
  DetailsPanel.Create(main, SS_ETCHEDFRAME);
  HWND panel = DetailsPanel.GetHandle();
  DetailsIcon.Create(panel, SS_ICON);
  DetailsTitle.Create(panel, ES_READONLY);
  DetailsTitle.SetFont(TitleFont());
  DetailsSeparator.Create(panel, SS_SUNKEN);
  const std::pair<CStatic*, CEdit*> rows[] = {{&SizeLabel, &SizeValue},       {&LastUsedLabel, &LastUsedValue},
                                              {&UsedLabel, &UsedValue},       {&PublisherLabel, &PublisherValue},
                                              {&VersionLabel, &VersionValue}, {&StatusLabel, &StatusValue}};
  for (const auto& row : rows) {
    row.first->Create(panel, SS_LEFT);
    row.second->Create(panel, ES_READONLY);
  }
}

void CreateBottomRow() {
  HWND main = MainWindow.GetHandle();
  SearchLabel.Create(main, SS_CENTER);
  SearchEdit.Create(main, WS_TABSTOP, WS_EX_CLIENTEDGE);
  RepairButton.Create(main, BS_PUSHBUTTON | WS_TABSTOP);
  RemoveButton.Create(main, BS_DEFPUSHBUTTON | WS_TABSTOP);
  ButtonAnchor.Create(main, BS_PUSHBUTTON);
  StatusBar.Create(main, SBARS_SIZEGRIP);
  StatusBar.SetFont(ChildFont());
}

void CreateProgramList() {
  ProgramList.OnDoubleClick = UninstallSelected;
  ProgramList.OnKeyDown = OnListKeyDown;
  ProgramList.OnContextMenu = ShowContextMenu;
  ProgramList.OnCommand = HandleCommand;
  ProgramList.OnItemChanged = OnSelectionChanged;
  ProgramList.OnColumnClick = OnColumnClicked;
  ProgramList.OnGetDisplayInfo = OnItemDisplayAsked;
  ProgramList.Create(MainWindow.GetHandle(), LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE | WS_TABSTOP,
                     WS_EX_CLIENTEDGE);
  // The list's own font is the system DPI's, which would not follow the window to another monitor.
  ProgramList.SetFont(ChildFont());
  ProgramList.InsertColumn("Application", Scaled(180));
  ProgramList.SetExtendedStyle(LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT);
}

}  // namespace

bool BuildMainWindow(HINSTANCE instance) {
  SetBottomRowTexts();
  ConfigureMainWindow(instance);
  if (!MainWindow.Create(instance, SW_SHOWNORMAL)) {
    ShowError("Couldn't create the main window");
    return false;
  }
  ScaleChildren(WindowDpi(MainWindow.GetHandle()));
  CreateDetailsPane();
  CreateBottomRow();
  CreateProgramList();
  UpdateViewMarks();
  LayoutMainWindow(MainWindow.GetWidth(), MainWindow.GetHeight(), 0);
  return true;
}
