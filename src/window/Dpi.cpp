#include "window/Dpi.h"

#include <algorithm>
#include <cstdint>

#include "window/Scaling.h"

namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiCall = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiCall = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// A function of user32, or null on a system that lacks it.
template <typename Call>
Call User32Function(const char* name) {
  static const HMODULE user32 = GetModuleHandleA("user32.dll");
  return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

LOGFONTW MessageFontForDpi(UINT dpi) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  static const auto forDpi = User32Function<SystemParametersInfoForDpiCall>("SystemParametersInfoForDpi");
  if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) return metrics.lfMessageFont;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
  return metrics.lfMessageFont;
}

// Runs measure with font selected into a device context of window.
template <typename Measure>
void WithFont(HWND window, HFONT font, Measure measure) {
  HDC context = GetDC(window);
  HGDIOBJ previous = SelectObject(context, font);
  measure(context);
  SelectObject(context, previous);
  ReleaseDC(window, context);
}

}  // namespace

UINT SystemDpi() {
  static const UINT dpi = [] {
    HDC screen = GetDC(nullptr);
    const int logPixels = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return logPixels > 0 ? static_cast<UINT>(logPixels) : DesignDpi;
  }();
  return dpi;
}

UINT WindowDpi(HWND window) {
  static const auto forWindow = User32Function<GetDpiForWindowCall>("GetDpiForWindow");
  const UINT dpi = forWindow ? forWindow(window) : 0;
  return dpi ? dpi : SystemDpi();
}

// Where the frame of another DPI cannot be told, the whole window is scaled.
SIZE ScaleWindowSize(int width, int height, DWORD style, bool menu, UINT dpi) {
  static const auto adjust = User32Function<AdjustWindowRectExForDpiCall>("AdjustWindowRectExForDpi");
  RECT at96 = {}, atDpi = {};
  if (adjust) {
    adjust(&at96, style, menu, 0, DesignDpi);
    adjust(&atDpi, style, menu, 0, dpi);
  }
  const auto scaled = [dpi](int size, LONG frame96, LONG frame) {
    return ScaleToDpi(size - frame96, static_cast<int>(dpi)) + frame;
  };
  return {scaled(width, at96.right - at96.left, atDpi.right - atDpi.left),
          scaled(height, at96.bottom - at96.top, atDpi.bottom - atDpi.top)};
}

int SystemMetricForDpi(int index, UINT dpi) {
  static const auto forDpi = User32Function<GetSystemMetricsForDpiCall>("GetSystemMetricsForDpi");
  return forDpi ? forDpi(index, dpi) : MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

HFONT CreateMessageFont(UINT dpi, bool title) {
  LOGFONTW font = MessageFontForDpi(dpi);
  if (title) {
    font.lfWeight = FW_BOLD;
    font.lfHeight = static_cast<LONG>(font.lfHeight * 1.2);
  }
  return CreateFontIndirectW(&font);
}

int LineHeight(HWND window, HFONT font) {
  TEXTMETRICA metrics = {};
  WithFont(window, font, [&](HDC context) { GetTextMetricsA(context, &metrics); });
  return metrics.tmHeight;
}

int TextWidth(HWND window, HFONT font, const char* text) {
  SIZE size = {};
  WithFont(window, font, [&](HDC context) { GetTextExtentPoint32A(context, text, lstrlenA(text), &size); });
  return size.cx;
}

bool TextsFit(HWND window, HFONT font, std::vector<std::string> texts, int width) {
  std::sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  bool fit = false;
  WithFont(window, font, [&](HDC context) {
    TEXTMETRICA metrics = {};
    if (!GetTextMetricsA(context, &metrics) || metrics.tmMaxCharWidth <= 0) return;
    fit = true;
    for (const std::string& text : texts) {
      if (static_cast<int64_t>(text.size()) * metrics.tmMaxCharWidth <= width) return;
      SIZE size = {};
      GetTextExtentPoint32A(context, text.c_str(), static_cast<int>(text.size()), &size);
      if (size.cx > width) {
        fit = false;
        return;
      }
    }
  });
  return fit;
}

void CFont::Reset(HFONT font) {
  if (Handle) DeleteObject(Handle);
  Handle = font;
}
