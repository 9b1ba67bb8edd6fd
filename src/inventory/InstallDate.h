#pragma once
// The day a program was installed, from its registration's InstallDate value "YYYYMMDD". Free of
// platform calls.
#include <cstdint>
#include <string>

// The date as the number YYYYMMDD, whose order is that of the days; 0 unless text is exactly
// eight digits naming a day of the Gregorian calendar from 1601 on (the first year that the
// system's date functions show).
uint32_t ParseInstallDate(const std::string& text);

// "YYYY-MM-DD" of such a number; empty for 0.
std::string IsoInstallDate(uint32_t date);
