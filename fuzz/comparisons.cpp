// The name comparison equals "upper-case a to z of copies, then compare unsigned bytes", and
// every comparison is antisymmetric.
#include "listview/Comparisons.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "inventory/AsciiCase.h"

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

int ModelCompare(const std::string& first, const std::string& second) {
  const std::string a = UpperCaseAscii(first), b = UpperCaseAscii(second);
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte says where the input splits into the two strings.
  const char* text = reinterpret_cast<const char*>(data) + 1;
  const size_t length = size - 1;
  const size_t split = length == 0 ? 0 : data[0] % (length + 1);
  const std::string first(text, split);
  const std::string second(text + split, length - split);

  const int ignoringCase = CompareIgnoringAsciiCase(first, second);
  if (ignoringCase != ModelCompare(first, second)) std::abort();
  if (ignoringCase != -CompareIgnoringAsciiCase(second, first)) std::abort();
  if (CompareBytes(first, second) != Sign(first.compare(second))) std::abort();
  if (CompareBytes(first, second) != -CompareBytes(second, first)) std::abort();
  const int64_t a = static_cast<int64_t>(std::hash<std::string>()(first)),
                b = static_cast<int64_t>(std::hash<std::string>()(second));
  if (CompareNumbers(a, b) != (a > b) - (a < b)) std::abort();
  return 0;
}
