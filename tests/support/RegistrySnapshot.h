#pragma once
// Everything below a registry key, for before/after comparisons: each key as "path\" and each
// value as "path\name" mapped to its type and data.
#include <windows.h>

#include <map>
#include <string>

using RegistrySnapshot = std::map<std::string, std::string>;

// root is a (redirected) HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE: the whole scratch tree.
RegistrySnapshot TakeRegistrySnapshot(HKEY root);
