#pragma once
// Waiting for what the program does in its message loop: pumping until a condition holds, running
// the main window's own loop (with its accelerator table), and pressing keys as the user would.
#include <windows.h>

#include <functional>

// Pumps this thread's messages until done() holds or timeoutMs have passed; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// Pumps this thread's messages for about ms milliseconds.
void PumpFor(DWORD ms);

// Runs MainWindow.RunMessageLoop until done() holds or timeoutMs have passed; returns done().
bool RunMainLoopUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// Queues a real key press (down and up) through the system's input queue, with Ctrl held when
// control is true. It reaches the focus of the window in front, whichever process that belongs
// to, once messages are pumped: tests that press keys must run alone.
void PressKey(WORD virtualKey, bool control = false);
