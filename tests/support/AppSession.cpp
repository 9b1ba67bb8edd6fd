#include "support/AppSession.h"

#include <cstdlib>

#include "actions/ResourceIds.h"
#include "actions/Scan.h"
#include "actions/Settings.h"
#include "app/MainWindow.h"

void AppTest::SetUp() {
  if (!MainWindow.GetHandle()) {
    AppInstance = GetModuleHandleA(nullptr);
    ApplyDefaultSettings();
    ASSERT_TRUE(BuildMainWindow(AppInstance));
  }
  Boxes.MainWindow = MainWindow.GetHandle();
  Select(-1);  // while the entries of the items are still there
  ApplyDefaultSettings();
  SearchEdit.SetText("");
  KillTimer(MainWindow.GetHandle(), 0);  // the new text started the search timer
  CheckMenuItem(MainWindow.GetMenu(), IDM_SHOW_SYSTEM_COMPONENTS, MF_BYCOMMAND | MF_UNCHECKED);
  ProgramList.SetView(AppSettings.ListViewMode);
  ListView_DeleteAllItems(ProgramList.GetHandle());
  ProgramInventory.clear();
  PumpMessages();
}

void AppTest::StartUp() {
  RequestScan();
  ProgramList.SetFocus();
  PumpMessages();
}

Texts AppTest::ListTitles() {
  Texts titles;
  for (int item = 0; item < ListView_GetItemCount(ProgramList.GetHandle()); ++item) titles.push_back(CellText(item, 0));
  return titles;
}

std::string AppTest::CellText(int item, int column) {
  char text[1024] = {};
  ListView_GetItemText(ProgramList.GetHandle(), item, column, text, sizeof text);
  return text;
}

Texts AppTest::ColumnHeaders() {
  Texts headers;
  char text[256];
  LVCOLUMNA header = {LVCF_TEXT, 0, 0, text, sizeof text, 0, 0, 0};
  for (int column = 0; ListView_GetColumn(ProgramList.GetHandle(), column, &header); ++column) headers.push_back(text);
  return headers;
}

void AppTest::Select(int item) {
  const UINT state = item < 0 ? 0 : LVIS_SELECTED | LVIS_FOCUSED;
  ListView_SetItemState(ProgramList.GetHandle(), item, state, LVIS_SELECTED | LVIS_FOCUSED);
  PumpMessages();
}

void RealInputTest::SetUp() {
  const char *display = std::getenv("DISPLAY"), *privateDisplay = std::getenv("QUILLMERE_PRIVATE_DISPLAY");
  ASSERT_TRUE(display && privateDisplay && std::string(display) == privateDisplay)
      << "real-input tests type and click on the display: they run only on the private one that scripts/test starts "
         "(DISPLAY equal to QUILLMERE_PRIVATE_DISPLAY), never on a desktop in use";
  AppTest::SetUp();
}
