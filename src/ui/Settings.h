#pragma once
// The program's settings: compiled-in defaults that change only while it runs.
#include <windows.h>

#include <cstdint>

#include "listview/ListSettings.h"

struct Settings : ListSettings {
  int32_t WindowLeft;
  int32_t WindowTop;
  int32_t WindowWidth;
  int32_t WindowHeight;
  int32_t DetailsVisible;
  int32_t ShowSystemComponents;
};

extern Settings AppSettings;
extern HINSTANCE AppInstance;

void ApplyDefaultSettings();
