#pragma once
#include <string>

#include "inventory/ProgramEntry.h"

// Deletes entry's registration without running any uninstaller: in the root and the registry
// view where the scan found it, and nowhere else, with its subkeys. First its copy is written to
// backupPath: without that copy the key is left as it is. When the registry refuses, a box says
// which program and why, and the registration stays as it was.
void RemoveEntry(const ProgramEntry& entry, const std::wstring& backupPath);
