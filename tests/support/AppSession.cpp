#include "support/AppSession.h"

#include <cstdlib>

#include "actions/Scan.h"
#include "actions/Settings.h"
#include "app/MainWindow.h"

namespace {

std::function<bool()> LoopDone;
DWORD LoopDeadline = 0;

void CALLBACK EndLoopWhenDone(HWND, UINT, UINT_PTR, DWORD) {
  if (!LoopDone || (!LoopDone() && static_cast<LONG>(GetTickCount() - LoopDeadline) < 0)) return;
  LoopDone = nullptr;
  PostQuitMessage(0);
}

}  // namespace

void AppTest::SetUp() {
  ASSERT_FALSE(MainWindow.GetHandle()) << "the main window is built once per process: run one test per process";
  AppInstance = GetModuleHandleA(nullptr);
  ApplyDefaultSettings();
  ASSERT_TRUE(BuildMainWindow(AppInstance));
}

// Nothing still queued may reach the program once the sandbox is gone.
void AppTest::TearDown() { PumpMessages(); }

void AppTest::StartUp() {
  RequestScan();
  ProgramList.SetFocus();
  PumpMessages();
}

Texts AppTest::Column(int column) {
  Texts texts;
  char text[1024];
  for (int item = 0; item < ListView_GetItemCount(ProgramList.GetHandle()); ++item) {
    ListView_GetItemText(ProgramList.GetHandle(), item, column, text, sizeof text);
    texts.push_back(text);
  }
  return texts;
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

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool RunMainLoopUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  LoopDone = done;
  LoopDeadline = GetTickCount() + timeoutMs;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, EndLoopWhenDone);
  MainWindow.RunMessageLoop();
  KillTimer(nullptr, timer);
  LoopDone = nullptr;
  return done();
}
