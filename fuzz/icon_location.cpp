// Any DisplayIcon text splits at its last comma, and the icon number agrees with a reading of
// the text after it by strtol.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "listview/IconLocation.h"

namespace {

int ExpectedNumber(const std::string& text) {
  if (text.find('\0') != std::string::npos) return 0;
  const char* start = text.c_str();
  while (std::isspace(static_cast<unsigned char>(*start))) ++start;
  if (!(*start == '+' || *start == '-' || std::isdigit(static_cast<unsigned char>(*start)))) return 0;
  if ((*start == '+' || *start == '-') && !std::isdigit(static_cast<unsigned char>(start[1]))) return 0;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(start, &end, 10);
  while (std::isspace(static_cast<unsigned char>(*end))) ++end;
  if (*end != '\0' || errno == ERANGE || value < -INT32_MAX || value > INT32_MAX) return 0;
  return static_cast<int>(value < 0 ? -value : value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string value(reinterpret_cast<const char*>(data), size);
  const IconLocation location = ParseIconLocation(value);
  const size_t comma = value.rfind(',');
  if (comma == std::string::npos) {
    if (location.Path != value || location.Index != 0) std::abort();
    return 0;
  }
  if (location.Path != value.substr(0, comma)) std::abort();
  if (location.Index < 0 || location.Index != ExpectedNumber(value.substr(comma + 1))) std::abort();
  return 0;
}
