#pragma once
// Small builders of test data shared by the test programs.
#include <windows.h>

#include <cstdint>
#include <string>

#include "support/RegistrySandbox.h"

FILETIME FileTimeOf(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0);

UsageRecord UsageOf(int64_t programSize, int32_t useCount, FILETIME lastUsed = {0, 0});

// The path of a registration's key under its root.
std::string UninstallKey(const std::string& keyName);

std::string ThisExecutable();
// A file of the Windows folder, by name.
std::string WindowsFile(const char* name);
