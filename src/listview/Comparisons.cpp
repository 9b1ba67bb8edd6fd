#include "listview/Comparisons.h"

int CompareBytes(const std::string& first, const std::string& second) {
  const int order = first.compare(second);
  return (order > 0) - (order < 0);
}

int CompareNumbers(int64_t first, int64_t second) { return (first > second) - (first < second); }
