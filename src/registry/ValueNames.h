#pragma once
// Finding a value of a registry key by its exact name, though the registry finds values by name
// regardless of case and tells their own names only by index.
#include <windows.h>

#include <string>

// Whether the open key holds a value of exactly that name. A failed walk over its values sets
// readFailed; a walk that ends at the last value clears it.
bool HasValueNamed(HKEY key, const std::string& name, bool& readFailed);
