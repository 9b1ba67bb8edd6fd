#pragma once
#include "inventory/ProgramEntry.h"

// Deletes the selected program's registration without running any uninstaller.
void RemoveEntry();

// Deletes entry's registration in the root and the registry view where the scan found it, and
// nowhere else.
void RemoveRegistration(const ProgramEntry& entry);
