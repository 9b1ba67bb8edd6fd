#pragma once
// Days of the calendar and their texts. A day is the number YYYYMMDD, whose order is that of the
// days; 0 stands for none. Every date the program shows or writes is one of these: the day of
// last use, of the usage data's time as stored (no conversion to local time), and the install day
// of a registration's InstallDate value. Free of platform calls but for FormatDate
// (UserDateFormat.cpp).
#include <cstdint>
#include <string>

// The day of an InstallDate value: 0 unless text is exactly eight digits YYYYMMDD naming a day of
// the Gregorian calendar from 1601 on (the first year that the system's date functions show).
uint32_t ParseInstallDate(const std::string& text);

// The day of a time in 100 ns steps since 1601-01-01, given as its two halves (a FILETIME); 0 for
// the time 0 and for years past 9999.
uint32_t DayOfTime(uint32_t low, uint32_t high);

// "YYYY-MM-DD"; empty for 0.
std::string IsoDate(uint32_t day);

// The short date in the user's format; empty for 0 or a day that does not format.
std::string FormatDate(uint32_t day);
