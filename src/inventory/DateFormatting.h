#pragma once
#include <windows.h>

#include <string>

// The short date of time in the user's format, as stored (no conversion to local time);
// empty for a zero time or one that does not format.
std::string FormatDate(const FILETIME& time);
