#pragma once
// A registration key read whole, with every value's exact bytes and every subkey, and written back.
#include <windows.h>

#include <string>

#include "registry/RegFile.h"

// Reads the key name under root\parentPath, in view (0, KEY_WOW64_32KEY or KEY_WOW64_64KEY), with
// everything under it into tree. Returns ERROR_SUCCESS or the system's error code.
LONG ReadKeyTree(HKEY root, const std::wstring& parentPath, const std::wstring& name, REGSAM view, RegKeyTree& tree);

// Creates tree under root\parentPath in view, with its values and subkeys; a key that could not be
// written whole is deleted again. A key of that name that exists already is left as it is: the
// result is then ERROR_ALREADY_EXISTS.
LONG WriteKeyTree(HKEY root, const std::wstring& parentPath, const RegKeyTree& tree, REGSAM view);
