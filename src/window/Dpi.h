#pragma once
// The DPI of a window, and the metrics and fonts of a DPI. The calls that know of a DPI per
// monitor are looked up at run time: older systems have only the system DPI, and no declarations
// of them in the headers that this program is built with.
#include <windows.h>

#include <string>
#include <vector>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI of the screen as the process was started (96 at 100 % scaling).
UINT SystemDpi();
// The window's DPI, that of its monitor where the system tells; else the system DPI.
UINT WindowDpi(HWND window);
// The outer size at dpi of a window of style (with a menu bar or not) that is width by height at
// 96 DPI: its client area scaled, its frame the one of dpi.
SIZE ScaleWindowSize(int width, int height, DWORD style, bool menu, UINT dpi);
// GetSystemMetrics for dpi.
int SystemMetricForDpi(int index, UINT dpi);
// The system's message font at dpi; with title, its bold form a fifth larger. The caller owns it.
HFONT CreateMessageFont(UINT dpi, bool title);
// The height of a line of text in font.
int LineHeight(HWND window, HFONT font);
// The width of text drawn in font.
int TextWidth(HWND window, HFONT font, const char* text);
// Whether each of texts drawn in font is at most width wide. The longest are measured first, until
// no shorter one can be wider: no character is wider than the font's widest, and each takes a byte
// at least.
bool TextsFit(HWND window, HFONT font, std::vector<std::string> texts, int width);

// An owned font, deleted when replaced and when the object goes.
class CFont {
 public:
  CFont() = default;
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;
  ~CFont() { Reset(nullptr); }
  void Reset(HFONT font);
  HFONT Get() const { return Handle; }

 private:
  HFONT Handle = nullptr;
};
