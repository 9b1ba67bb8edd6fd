#include "listview/Comparisons.h"

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

unsigned char UpperAscii(char c) {
  auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

}  // namespace

int CompareBytes(const std::string& first, const std::string& second) { return Sign(first.compare(second)); }

int CompareIgnoringAsciiCase(const std::string& first, const std::string& second) {
  const size_t common = first.size() < second.size() ? first.size() : second.size();
  for (size_t i = 0; i < common; ++i) {
    unsigned char a = UpperAscii(first[i]), b = UpperAscii(second[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  return CompareNumbers(static_cast<int64_t>(first.size()), static_cast<int64_t>(second.size()));
}

int CompareNumbers(int64_t first, int64_t second) { return (first > second) - (first < second); }
