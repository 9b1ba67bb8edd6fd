#include "actions/ExportFormat.h"

#include <algorithm>
#include <cstdio>

namespace {

const uint64_t TicksPerDay = 864000000000ull;
// From 0000-03-01, where the 400-year cycles of the calendar below begin, to 1601-01-01.
const uint64_t DaysBefore1601 = 584694;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits, optionally after a sign and with one decimal point between digits.
bool IsPlainNumber(const std::string& text) {
  size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
  const size_t integerStart = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  if (i == integerStart) return false;
  if (i == text.size()) return true;
  if (text[i] != '.' || ++i == text.size()) return false;
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i == text.size();
}

bool NeedsQuotes(const std::string& field, char separator) {
  return field.find_first_of({separator, '"', '\r', '\n'}) != std::string::npos;
}

std::string SeparatedField(const std::string& field, char separator) {
  const std::string guarded = GuardFormula(field);
  if (!NeedsQuotes(guarded, separator)) return guarded;
  std::string quoted = "\"";
  for (char c : guarded) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

bool AllowedInFileName(char c) {
  return static_cast<unsigned char>(c) >= 0x20 && std::string("\\/:*?\"<>|").find(c) == std::string::npos;
}

}  // namespace

std::string GuardFormula(const std::string& field) {
  if (field.empty() || std::string("=+-@\t\r").find(field[0]) == std::string::npos) return field;
  return IsPlainNumber(field) ? field : "'" + field;
}

std::string SeparatedLine(const TableRow& fields, char separator) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += separator;
    line += SeparatedField(fields[i], separator);
  }
  return line + "\r\n";
}

std::string SeparatedText(const std::vector<TableRow>& rows, char separator) {
  std::string text;
  for (const TableRow& row : rows) text += SeparatedLine(row, separator);
  return text;
}

// The civil date of a day count, by the 400-year cycles of the Gregorian calendar, each taken
// to begin on March 1 so that leap days end the year.
std::string IsoDate(uint32_t low, uint32_t high) {
  const uint64_t ticks = (static_cast<uint64_t>(high) << 32) | low;
  if (ticks == 0) return "";
  const uint64_t days = ticks / TicksPerDay + DaysBefore1601;
  const uint64_t cycle = days / 146097, dayOfCycle = days % 146097;
  const uint64_t yearOfCycle = (dayOfCycle - dayOfCycle / 1460 + dayOfCycle / 36524 - dayOfCycle / 146096) / 365;
  const uint64_t dayOfYear = dayOfCycle - (365 * yearOfCycle + yearOfCycle / 4 - yearOfCycle / 100);
  const uint64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  const uint64_t day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  const uint64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  const uint64_t year = cycle * 400 + yearOfCycle + (month <= 2 ? 1 : 0);
  if (year > 9999) return "";
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", static_cast<unsigned>(year), static_cast<unsigned>(month),
                static_cast<unsigned>(day));
  return text;
}

std::string SafeFileName(std::string name) {
  for (char& c : name)
    if (!AllowedInFileName(c)) c = '_';
  return name;
}

std::string DefaultExportName(const std::string& machine, const std::string& isoDate) {
  return SafeFileName("Programs on " + machine + " " + isoDate + ".csv");
}

std::string BackupFileName(const std::string& title, const std::string& stamp) {
  std::string kept = title.substr(0, std::min<size_t>(title.size(), BackupTitleRoom));
  // Never a part of a UTF-8 character: continuation bytes at the cut go with it.
  if (kept.size() < title.size())
    while (!kept.empty() && (static_cast<unsigned char>(title[kept.size()]) & 0xC0) == 0x80) kept.pop_back();
  return SafeFileName(kept + " " + stamp + ".reg");
}
