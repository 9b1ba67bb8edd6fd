#include "actions/ExportFormat.h"

#include <algorithm>

namespace {

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
