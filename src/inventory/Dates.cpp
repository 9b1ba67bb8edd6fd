#include "inventory/Dates.h"

#include <cstdio>

namespace {

const uint64_t TicksPerDay = 864000000000ull;
// From 0000-03-01, where the 400-year cycles of the calendar below begin, to 1601-01-01.
const uint64_t DaysBefore1601 = 584694;

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

// The civil date of a day count, by the 400-year cycles of the Gregorian calendar, each taken to
// begin on March 1 so that leap days end the year.
uint32_t DayOfTime(uint32_t low, uint32_t high) {
  const uint64_t ticks = (static_cast<uint64_t>(high) << 32) | low;
  if (ticks == 0) return 0;
  const uint64_t days = ticks / TicksPerDay + DaysBefore1601;
  const uint64_t cycle = days / 146097, dayOfCycle = days % 146097;
  const uint64_t yearOfCycle = (dayOfCycle - dayOfCycle / 1460 + dayOfCycle / 36524 - dayOfCycle / 146096) / 365;
  const uint64_t dayOfYear = dayOfCycle - (365 * yearOfCycle + yearOfCycle / 4 - yearOfCycle / 100);
  const uint64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  const uint64_t day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  const uint64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  const uint64_t year = cycle * 400 + yearOfCycle + (month <= 2 ? 1 : 0);
  return year > 9999 ? 0 : static_cast<uint32_t>(year * 10000 + month * 100 + day);
}

std::string IsoDate(uint32_t day) {
  if (day == 0) return "";
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", static_cast<unsigned>(day / 10000),
                static_cast<unsigned>(day / 100 % 100), static_cast<unsigned>(day % 100));
  return text;
}
