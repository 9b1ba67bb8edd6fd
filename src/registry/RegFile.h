#pragma once
// A registry key with everything under it, as data, and its text in the .reg format that the
// system's "reg import" and Registry Editor read back. Free of platform calls.
#include <cstdint>
#include <string>
#include <vector>

struct RegValue {
  std::u16string Name;  // empty for the key's default value
  uint32_t Type = 0;
  std::vector<uint8_t> Data;  // exactly as stored
};

struct RegKeyTree {
  std::u16string Name;  // relative to the parent key
  std::vector<RegValue> Values;
  std::vector<RegKeyTree> SubKeys;
};

// "Windows Registry Editor Version 5.00", then the key at path (its full name, such as
// HKEY_LOCAL_MACHINE\SOFTWARE\...\Name) and every subkey, each with its values; lines end in CR LF.
// A value is written as text only where that reads back to the same bytes, else as hex.
std::u16string RegFileText(const std::u16string& path, const RegKeyTree& tree);
