#pragma once
#include <windows.h>

#include <functional>

// Runs the program's own message loop (MainWindow.RunMessageLoop, which translates the
// accelerators) until done() holds or timeoutMs have passed; returns done(). done() is checked
// every 10 ms by a thread timer, so also while a menu or a message box runs its modal loop.
bool RunMainLoopUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);
