#pragma once
// Upper-casing for searching and sorting: only the letters a to z change; every other byte,
// those of 0x80 and above included, stays as it is.
#include <string>

std::string UpperCaseAscii(std::string text);
