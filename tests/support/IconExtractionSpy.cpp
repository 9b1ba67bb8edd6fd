#include "support/IconExtractionSpy.h"

#include <gtest/gtest.h>

namespace {

using ExtractIconExFunction = UINT(WINAPI*)(LPCSTR, int, HICON*, HICON*, UINT);

IconExtractionSpy* Active = nullptr;

}  // namespace

IconExtractionSpy::IconExtractionSpy(Mode mode)
    : Behaviour(mode), Hook("SHELL32.dll", "ExtractIconExA", reinterpret_cast<void*>(StandIn)) {
  EXPECT_TRUE(Hook.Installed()) << "ExtractIconExA is not imported";
  Active = this;
}

IconExtractionSpy::~IconExtractionSpy() { Active = nullptr; }

void IconExtractionSpy::Clear() {
  Extractions.clear();
  Icons.clear();
}

UINT WINAPI IconExtractionSpy::StandIn(LPCSTR path, int index, HICON* large, HICON* small, UINT count) {
  IconExtractionSpy& spy = *Active;
  spy.Extractions.push_back({path ? path : "", index});
  if (large) *large = nullptr;
  if (small) *small = nullptr;
  if (spy.Behaviour == NoIcons) return 0;
  HICON* wantedSmall = spy.Behaviour == LargeIconOnly ? nullptr : small;
  UINT result = spy.Hook.Original<ExtractIconExFunction>()(path, index, large, wantedSmall, count);
  if (result == 0 || result == UINT_MAX) return result;  // the handles may hold garbage then
  if (large && *large) spy.Icons.push_back(*large);
  if (wantedSmall && *wantedSmall) spy.Icons.push_back(*wantedSmall);
  return result;
}

bool IconExists(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return false;
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return true;
}
