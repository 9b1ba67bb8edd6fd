#pragma once
#include <windows.h>

// Builds the main window, runs the first scan and the message loop. Returns 1 after a normal
// run, -1 when the main window cannot be created.
int RunApplication(HINSTANCE instance);
