#include "support/AppSession.h"

#include <commctrl.h>

#include "actions/ResourceIds.h"
#include "actions/Scan.h"
#include "actions/Settings.h"
#include "actions/WindowObjects.h"
#include "app/MainWindow.h"
#include "inventory/ProgramEntry.h"

namespace {

void BuildOnce() {
  if (MainWindow.GetHandle()) return;
  AppInstance = GetModuleHandleA(nullptr);
  ApplyDefaultSettings();
  ASSERT_TRUE(BuildMainWindow(AppInstance));
}

// Undoes what an earlier test of the same process changed.
void ResetState() {
  ApplyDefaultSettings();
  SearchEdit.SetText("");
  KillTimer(MainWindow.GetHandle(), 0);  // the new text started the search timer again
  CheckMenuItem(MainWindow.GetMenu(), IDM_SHOW_SYSTEM_COMPONENTS, MF_BYCOMMAND | MF_UNCHECKED);
  ProgramList.SetView(AppSettings.ListViewMode);
  SendMessageA(ProgramList.GetHandle(), LVM_DELETEALLITEMS, 0, 0);
  ProgramInventory.clear();
}

}  // namespace

void AppTest::SetUp() {
  BuildOnce();
  Deselect();  // while the entries of the items are still there
  ResetState();
  PumpMessages();
}

void AppTest::TearDown() { PumpMessages(); }

void AppTest::StartUp() {
  RequestScan();
  ProgramList.SetFocus();
  PumpMessages();
}

void AppTest::Register(HKEY root, const std::string& keyName, const std::string& displayName,
                       const std::string& uninstallString) {
  RegistrySandbox::AddRegistration(root, keyName, {{"DisplayName", displayName}, {"UninstallString", uninstallString}});
}

std::vector<std::string> AppTest::ListTitles() {
  std::vector<std::string> titles;
  const int count = static_cast<int>(SendMessageA(ProgramList.GetHandle(), LVM_GETITEMCOUNT, 0, 0));
  for (int item = 0; item < count; ++item) titles.push_back(CellText(item, 0));
  return titles;
}

std::string AppTest::CellText(int item, int column) {
  char text[1024] = {};
  LVITEMA cell = {};
  cell.iSubItem = column;
  cell.pszText = text;
  cell.cchTextMax = sizeof text;
  SendMessageA(ProgramList.GetHandle(), LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&cell));
  return text;
}

std::vector<std::string> AppTest::ColumnHeaders() {
  std::vector<std::string> headers;
  for (int column = 0;; ++column) {
    char text[256] = {};
    LVCOLUMNA header = {};
    header.mask = LVCF_TEXT;
    header.pszText = text;
    header.cchTextMax = sizeof text;
    if (!SendMessageA(ProgramList.GetHandle(), LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&header))) break;
    headers.push_back(text);
  }
  return headers;
}

std::string AppTest::StatusText() { return WindowText(StatusBar.GetHandle()); }

int AppTest::SelectedIndex() {
  return static_cast<int>(
      SendMessageA(ProgramList.GetHandle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void AppTest::Deselect() {
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  PumpMessages();
}

void AppTest::Select(int item) {
  LVITEMA state = {};
  state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
  PumpMessages();
}
