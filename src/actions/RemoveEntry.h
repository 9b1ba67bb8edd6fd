#pragma once
#include <string>

#include "inventory/ProgramEntry.h"

// Deletes entry's registration without running any uninstaller: in the root and the registry
// view where the scan found it, and nowhere else; first its copy is written to backupPath, and
// without that copy the key is left as it is.
void RemoveEntry(const ProgramEntry& entry, const std::wstring& backupPath);
