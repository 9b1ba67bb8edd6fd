#pragma once
// Support for tests that create real windows: message pumping, window texts and the program's own
// message loop.
#include <windows.h>

#include <functional>
#include <string>

// Dispatches every message queued for this thread, WM_QUIT included.
void PumpMessages();
std::string WindowText(HWND window);
// Runs the program's own message loop (MainWindow.RunMessageLoop, which translates the accelerators)
// until done() holds or timeoutMs have passed; returns done(). A thread timer checks done() every
// 10 ms, so also while a message box runs its modal loop.
bool RunMainLoopUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);
