#pragma once
#include "inventory/ProgramEntry.h"

// Deletes entry's registration without running any uninstaller: in the root and the registry
// view where the scan found it, and nowhere else.
void RemoveEntry(const ProgramEntry& entry);
