#pragma once
// A DisplayIcon value: a file path, optionally followed by a comma and an icon number.
#include <string>

struct IconLocation {
  std::string Path;
  int Index = 0;
};

// Splits at the last comma. The text after it counts only when it is a whole decimal integer
// (blanks around it allowed) that fits 32 bits; its absolute value is the icon number,
// otherwise the number is 0.
IconLocation ParseIconLocation(const std::string& value);
