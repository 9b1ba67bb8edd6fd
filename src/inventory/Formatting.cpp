#include "inventory/Formatting.h"

#include <cmath>
#include <cstdio>

namespace {

struct SizeUnit {
  uint64_t Threshold;
  float Scale;
  const char* Text;
};

// Decimal thresholds, binary divisors.
const SizeUnit Units[] = {
    {1000000000ull, 1.0f / 1073741824.0f, " GB"},
    {1000000ull, 1.0f / 1048576.0f, " MB"},
    {1000ull, 1.0f / 1024.0f, " KB"},
    {0ull, 1.0f, " B"},
};

int DecimalsFor(float value) {
  if (std::trunc(value) == value) return 0;
  if (value < 10.0f) return 2;
  if (value < 100.0f) return 1;
  return 0;
}

}  // namespace

std::string FormatSize(uint64_t bytes) {
  if (bytes == 0) return "";
  const SizeUnit* unit = Units;
  while (bytes < unit->Threshold) ++unit;
  // The value is held in single precision: 4294967295 bytes are exactly 4 GB.
  const float value = static_cast<float>(bytes) * unit->Scale;

  // printf rather than a string stream: a stream links in the C++ library's locale support,
  // half of the program's size. The program never sets a C locale, so the point is ".".
  char text[64];
  std::snprintf(text, sizeof text, "%.*f%s", DecimalsFor(value), static_cast<double>(value), unit->Text);
  return text;
}

std::string FormatUseCount(uint32_t count) {
  const char* word = count <= 2 ? "rarely" : count <= 10 ? "occasionally" : "frequently";
  return std::string(word) + " (" + std::to_string(count) + ")";
}
