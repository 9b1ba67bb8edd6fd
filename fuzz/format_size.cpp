// Every byte count gives a number, one space and a unit, and the number is the byte count
// scaled to that unit within the precision shown.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "inventory/Formatting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint64_t bytes = 0;
  std::memcpy(&bytes, data, size < sizeof bytes ? size : sizeof bytes);
  const std::string text = FormatSize(bytes);
  if (bytes == 0) {
    if (!text.empty()) std::abort();
    return 0;
  }
  const size_t space = text.find(' ');
  if (space == std::string::npos || space == 0) std::abort();
  const std::string unit = text.substr(space + 1);
  const double divisor = unit == "B"    ? 1.0
                         : unit == "KB" ? 1024.0
                         : unit == "MB" ? 1048576.0
                         : unit == "GB" ? 1073741824.0
                                        : 0;
  if (divisor == 0) std::abort();
  char* end = nullptr;
  const double shown = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + space) std::abort();
  const double exact = static_cast<double>(bytes) / divisor;
  if (std::fabs(shown - exact) > 0.5 + exact * 1e-6) std::abort();
  return 0;
}
