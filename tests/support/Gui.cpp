#include "support/Gui.h"

#include "actions/WindowObjects.h"

namespace {

std::function<bool()> LoopDone;
DWORD LoopDeadline = 0;

void CALLBACK EndLoopWhenDone(HWND, UINT, UINT_PTR, DWORD) {
  if (!LoopDone || (!LoopDone() && static_cast<LONG>(GetTickCount() - LoopDeadline) < 0)) return;
  LoopDone = nullptr;
  PostQuitMessage(0);
}

}  // namespace

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
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
