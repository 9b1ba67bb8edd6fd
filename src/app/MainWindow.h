#pragma once
// The assembly and layout of the main window.
#include <windows.h>

#include "app/Layout.h"

// Builds the main window and all its children; false (after telling the user) when the main
// window cannot be created.
bool BuildMainWindow(HINSTANCE instance);
