#include "app/MainWindow.h"

#include "actions/Uninstall.h"
#include "commands/Commands.h"
#include "ui/Details.h"
#include "ui/MenuState.h"
#include "ui/Messages.h"
#include "ui/ResourceIds.h"
#include "ui/Settings.h"
#include "ui/WindowObjects.h"

namespace {

const int Margin = 6;

// The child that had the focus when the main window was last deactivated.
HWND FocusedChild = nullptr;

struct Placement {
  CWindow* Window;
  int X, Y, Width, Height;
};

// The children of the details pane, with their positions and sizes inside it.
const Placement DetailsChildren[] = {
    {&DetailsIcon, 6, 6, 50, 50},       {&DetailsTitle, 50, 14, 400, 20},    {&DetailsSeparator, 6, 42, 400, 2},
    {&SizeLabel, 8, 48, 70, 16},        {&SizeValue, 85, 48, 93, 16},        {&LastUsedLabel, 8, 64, 70, 16},
    {&LastUsedValue, 85, 64, 93, 16},   {&UsedLabel, 8, 80, 70, 16},         {&UsedValue, 85, 80, 93, 16},
    {&PublisherLabel, 184, 48, 70, 16}, {&PublisherValue, 254, 48, 100, 16}, {&VersionLabel, 184, 64, 70, 16},
    {&VersionValue, 254, 64, 100, 16},
};

void SetDetailsGeometry() {
  DetailsPanel.SetSize(0, 0);
  for (const Placement& child : DetailsChildren) {
    child.Window->SetPosition(child.X, child.Y);
    child.Window->SetSize(child.Width, child.Height);
  }
}

void SetBottomRowGeometry() {
  SearchLabel.SetSize(40, 17);
  SearchLabel.SetText("Search:");
  SearchEdit.SetSize(300, 22);
  RemoveButton.SetSize(0, 23);
  RemoveButton.SetText("Remove");
  RemoveButton.OnClick = UninstallSelected;
  RepairButton.SetSize(0, 23);
  RepairButton.SetText("Repair");
  RepairButton.OnClick = Repair;
  ButtonAnchor.SetSize(0, 22);
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

void ConfigureMainWindow(HINSTANCE instance) {
  MainWindow.SetText(AppTitle);
  MainWindow.SetIcon(LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLMERE)));
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAIN_MENU));
  OfferRunAsAdministrator(menu);
  MainWindow.SetMenu(menu);
  MainWindow.SetAccelerators(LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS)));
  MainWindow.OnSize = LayoutMainWindow;
  MainWindow.OnNotify = RouteListNotification;
  MainWindow.OnCommand = HandleCommand;
  MainWindow.OnTimer = OnSearchTimer;
  MainWindow.OnActivate = OnMainWindowActivated;
  MainWindow.OnSetFocus = OnMainWindowFocused;
  if (!AppSettings.Maximized) {
    MainWindow.SetSize(AppSettings.WindowWidth, AppSettings.WindowHeight);
    MainWindow.SetPosition(AppSettings.WindowLeft, AppSettings.WindowTop);
  }
}

// A copy of the title field's font, bold and a fifth larger. Made once and kept.
void SetTitleFont() {
  LOGFONTA font;
  if (!DetailsTitle.GetLogFont(&font)) return;
  font.lfWeight = FW_BOLD;
  font.lfHeight = static_cast<LONG>(font.lfHeight * 1.2);
  DetailsTitle.SetFont(CreateFontIndirectA(&font));
}

void CreateDetailsPane() {
  HWND main = MainWindow.GetHandle();
  DetailsPanel.Create(main, SS_ETCHEDFRAME);
  HWND panel = DetailsPanel.GetHandle();
  DetailsIcon.Create(panel, SS_ICON);
  DetailsTitle.Create(panel, ES_READONLY);
  SetTitleFont();
  DetailsSeparator.Create(panel, SS_SUNKEN);
  const std::pair<CStatic*, CEdit*> rows[] = {{&SizeLabel, &SizeValue},
                                              {&LastUsedLabel, &LastUsedValue},
                                              {&UsedLabel, &UsedValue},
                                              {&PublisherLabel, &PublisherValue},
                                              {&VersionLabel, &VersionValue}};
  for (const auto& row : rows) {
    row.first->Create(panel, SS_LEFT);
    row.second->Create(panel, ES_READONLY);
  }
}

void CreateBottomRow() {
  HWND main = MainWindow.GetHandle();
  SearchLabel.Create(main, SS_CENTER);
  SearchEdit.Create(main, 0, WS_EX_CLIENTEDGE);
  RepairButton.Create(main, BS_PUSHBUTTON);
  RemoveButton.Create(main, BS_DEFPUSHBUTTON);
  ButtonAnchor.Create(main, BS_PUSHBUTTON);
  StatusBar.Create(main, SBARS_SIZEGRIP);
}

void CreateProgramList() {
  ProgramList.OnDoubleClick = UninstallSelected;
  ProgramList.OnKeyDown = OnListKeyDown;
  ProgramList.OnContextMenu = ShowContextMenu;
  ProgramList.OnCommand = HandleCommand;
  ProgramList.OnItemChanged = OnSelectionChanged;
  ProgramList.OnColumnClick = OnColumnClicked;
  ProgramList.OnGetDisplayInfo = OnItemImageAsked;
  ProgramList.Create(MainWindow.GetHandle(), LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE, WS_EX_CLIENTEDGE);
  ProgramList.InsertColumn("Application", 180);
  ProgramList.SetExtendedStyle(LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT);
  ProgramList.SetView(AppSettings.ListViewMode);
}

int HeightOf(const CWindow& window) {
  RECT rect;
  return window.GetWindowRect(&rect) ? rect.bottom - rect.top : 0;
}

void LayoutDetailsPane(int width) {
  DetailsPanel.SetPosition(Margin, HeightOf(ProgramList) + Margin);
  DetailsPanel.SetSize(width - 2 * Margin, DetailsPanel.GetHeight());
  const int panelWidth = DetailsPanel.GetWidth();
  DetailsTitle.SetSize(panelWidth - DetailsTitle.GetX() - Margin, DetailsTitle.GetHeight());
  DetailsSeparator.SetSize(panelWidth - 2 * Margin, 2);
  for (CEdit* value : {&PublisherValue, &VersionValue})
    value->SetSize(panelWidth - value->GetX() - Margin, value->GetHeight());
}

void LayoutBottomRow(int width, int height, int statusHeight) {
  SearchLabel.SetPosition(Margin, height - SearchLabel.GetHeight() - statusHeight - Margin);
  SearchEdit.SetPosition(SearchLabel.GetWidth() + 2 * Margin, height - SearchEdit.GetHeight() - statusHeight - Margin);
  ButtonAnchor.SetPosition(width - ButtonAnchor.GetWidth() - Margin,
                           height - ButtonAnchor.GetHeight() - statusHeight - Margin);
  RemoveButton.SetPosition(ButtonAnchor.GetX() - RemoveButton.GetWidth() - Margin, ButtonAnchor.GetY());
  RepairButton.SetPosition(RemoveButton.GetX() - RepairButton.GetWidth() - Margin, ButtonAnchor.GetY());
}

}  // namespace

bool BuildMainWindow(HINSTANCE instance) {
  SetDetailsGeometry();
  SetBottomRowGeometry();
  ConfigureMainWindow(instance);
  if (!MainWindow.Create(instance, AppSettings.Maximized ? SW_MAXIMIZE : SW_SHOWNORMAL)) {
    ShowError("Couldn't create the main window");
    return false;
  }
  CreateDetailsPane();
  CreateBottomRow();
  CreateProgramList();
  if (!AppSettings.DetailsVisible) DetailsPanel.Show(SW_HIDE);
  UpdateViewMarks();
  LayoutMainWindow(MainWindow.GetWidth(), MainWindow.GetHeight(), 0);
  return true;
}

void LayoutMainWindow(int width, int height, WPARAM sizeType) {
  SendMessageA(StatusBar.GetHandle(), WM_SIZE, sizeType,
               static_cast<LPARAM>((static_cast<DWORD>(height) << 16) | (width & 0xFFFF)));
  const int statusHeight = StatusBar.GetBarHeight();
  const int detailsRoom = AppSettings.DetailsVisible ? DetailsPanel.GetHeight() + Margin : 0;
  ProgramList.SetSize(width, height - detailsRoom - RemoveButton.GetHeight() - statusHeight - 2 * Margin);
  if (AppSettings.DetailsVisible) LayoutDetailsPane(width);
  LayoutBottomRow(width, height, statusHeight);
  MainWindow.Invalidate(true);
}
