#pragma once
// A DisplayIcon value: a file path, optionally followed by a comma and an icon number.
#include <string>

struct IconLocation {
  std::string Path;
  int Index = 0;  // as the system's icon extraction takes it: from 0 the icon's position, below 0 minus its id
};

// Splits at the comma after a path in double quotes, which are removed, or else at the last comma.
// The text after it counts only when it is a whole decimal integer (blanks around it allowed) that
// fits 32 bits; otherwise the number is 0.
IconLocation ParseIconLocation(const std::string& value);
