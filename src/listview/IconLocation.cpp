#include "listview/IconLocation.h"

#include <cctype>
#include <cstdint>

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The absolute value of a decimal integer with optional blanks around it, or 0 when the text
// is anything else or does not fit a signed 32-bit integer (or its absolute value).
int ParseIconNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size() || !IsDigit(text[i])) return 0;
  int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > INT32_MAX) return 0;
  }
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i == text.size() ? static_cast<int>(magnitude) : 0;
}

}  // namespace

IconLocation ParseIconLocation(const std::string& value) {
  IconLocation location;
  size_t comma = value.rfind(',');
  if (comma == std::string::npos) {
    location.Path = value;
    return location;
  }
  location.Path = value.substr(0, comma);
  location.Index = ParseIconNumber(value.substr(comma + 1));
  return location;
}
