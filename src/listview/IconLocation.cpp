#include "listview/IconLocation.h"

#include <cctype>
#include <cstdint>

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal integer with optional blanks around it, or 0 when the text is anything else or does
// not fit a signed 32-bit integer.
int ParseIconNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size() || !IsDigit(text[i])) return 0;
  int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > INT32_MAX + int64_t{negative}) return 0;
  }
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i == text.size() ? static_cast<int>(negative ? -magnitude : magnitude) : 0;
}

// The comma that ends the path: the first after a path in double quotes, else the last one.
size_t PathEnd(const std::string& value) {
  const size_t start = value.find_first_not_of(" \t");
  if (start == std::string::npos || value[start] != '"') return value.rfind(',');
  const size_t close = value.find('"', start + 1);
  return close == std::string::npos ? value.rfind(',') : value.find(',', close);
}

// The path without the double quotes around it, and without blanks outside them.
std::string Unquoted(const std::string& path) {
  const size_t start = path.find_first_not_of(" \t"), end = path.find_last_not_of(" \t");
  if (start == std::string::npos || end == start || path[start] != '"' || path[end] != '"') return path;
  return path.substr(start + 1, end - start - 1);
}

}  // namespace

IconLocation ParseIconLocation(const std::string& value) {
  IconLocation location;
  const size_t comma = PathEnd(value);
  location.Path = Unquoted(value.substr(0, comma));
  if (comma != std::string::npos) location.Index = ParseIconNumber(value.substr(comma + 1));
  return location;
}
