#pragma once
// The case of ASCII letters, as the search, the name sort and the registry's order of names
// ignore it: only the letters a to z change; every other byte, those of 0x80 and above included,
// stays as it is. Free of platform calls.
#include <string>

std::string UpperCaseAscii(std::string text);

// Byte by byte as unsigned characters, with the letters a to z taken as A to Z: -1, 0 or 1; a
// string that ends first is the smaller.
int CompareIgnoringAsciiCase(const std::string& first, const std::string& second);
