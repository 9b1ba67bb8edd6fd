#pragma once
// The pixel figures of the user interface are drawn up for 96 DPI (100 % scaling) and scaled to
// the DPI of the window that shows them. Plain arithmetic: no Windows header.

const int DesignDpi = 96;

// pixels at 96 DPI, at dpi: rounded to the nearest pixel, halves away from zero.
inline int ScaleToDpi(int pixels, int dpi) {
  const long long product = static_cast<long long>(pixels) * dpi;
  return static_cast<int>((product + (product < 0 ? -DesignDpi / 2 : DesignDpi / 2)) / DesignDpi);
}
