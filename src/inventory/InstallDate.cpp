#include "inventory/InstallDate.h"

#include <cstdio>

namespace {

bool IsLeapYear(uint32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

uint32_t DaysInMonth(uint32_t year, uint32_t month) {
  static const uint32_t Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : Days[month - 1];
}

}  // namespace

uint32_t ParseInstallDate(const std::string& text) {
  if (text.size() != 8) return 0;
  uint32_t date = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    date = date * 10 + static_cast<uint32_t>(c - '0');
  }
  const uint32_t year = date / 10000, month = date / 100 % 100, day = date % 100;
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return 0;
  return date;
}

std::string IsoInstallDate(uint32_t date) {
  if (date == 0) return "";
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", static_cast<unsigned>(date / 10000),
                static_cast<unsigned>(date / 100 % 100), static_cast<unsigned>(date % 100));
  return text;
}
