#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// The short date of time in the user's format, as stored (no conversion to local time);
// empty for a zero time or one that does not format.
std::string FormatDate(const FILETIME& time);

// The short date of an install date (the number YYYYMMDD of ParseInstallDate) in the user's
// format; empty for 0.
std::string FormatInstallDate(uint32_t date);
