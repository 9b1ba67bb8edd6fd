#pragma once
// The sizes and fonts of the main window's children at the window's DPI, and their places.
#include <windows.h>

// Makes the fonts for dpi and gives the children their sizes at it, measured from their texts
// where those need more room; windows that exist take the new fonts at once, and the fonts that
// they replace are deleted.
void ScaleChildren(UINT dpi);
// The font that the children are created with, and the details title's.
HFONT ChildFont();
HFONT TitleFont();
// pixels at 96 DPI, at the DPI that the children were last scaled for.
int Scaled(int pixels);

// Places the children for a client area of width by height.
void LayoutMainWindow(int width, int height, WPARAM sizeType);
