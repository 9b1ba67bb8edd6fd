#include "support/MainLoop.h"

#include <vector>

#include "app/MainWindow.h"
#include "support/Gui.h"

namespace {

std::function<bool()> LoopDone;
DWORD LoopDeadline = 0;

bool Expired(DWORD deadline) { return static_cast<LONG>(GetTickCount() - deadline) >= 0; }

void CALLBACK EndLoopWhenDone(HWND, UINT, UINT_PTR, DWORD) {
  if (!LoopDone || (!LoopDone() && !Expired(LoopDeadline))) return;
  LoopDone = nullptr;
  PostQuitMessage(0);
}

INPUT KeyInput(WORD virtualKey, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, 0));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD deadline = GetTickCount() + timeoutMs;
  while (!done()) {
    if (Expired(deadline)) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpMessages();
  }
  return true;
}

void PumpFor(DWORD ms) {
  const DWORD deadline = GetTickCount() + ms;
  PumpUntil([deadline] { return Expired(deadline); }, ms + 1000);
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

void PressKey(WORD virtualKey, bool control) {
  std::vector<INPUT> inputs;
  if (control) inputs.push_back(KeyInput(VK_CONTROL, false));
  inputs.push_back(KeyInput(virtualKey, false));
  inputs.push_back(KeyInput(virtualKey, true));
  if (control) inputs.push_back(KeyInput(VK_CONTROL, true));
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
