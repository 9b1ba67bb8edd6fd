#pragma once
// The assembly and layout of the main window.
#include <windows.h>

// Builds the main window and all its children; false (after telling the user) when the main
// window cannot be created.
bool BuildMainWindow(HINSTANCE instance);

// Places the children for a client area of width by height.
void LayoutMainWindow(int width, int height, WPARAM sizeType);
