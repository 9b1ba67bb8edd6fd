#pragma once
// Three-way comparisons for sorting the list: -1, 0 or 1. Names compare with
// CompareIgnoringAsciiCase (registry/AsciiCase.h).
#include <cstdint>
#include <string>

// Byte by byte as unsigned characters; a string that ends first is the smaller.
int CompareBytes(const std::string& first, const std::string& second);
int CompareNumbers(int64_t first, int64_t second);
