#pragma once
// The registrations that Remove Entry deleted during this run, oldest first, each with the copy
// that an undo writes back and the file that keeps it.
#include <string>
#include <vector>

#include "inventory/ProgramEntry.h"
#include "registry/RegFile.h"

struct RemovedRegistration {
  ProgramEntry Entry;
  RegKeyTree Tree;
  std::wstring BackupPath;
};

extern std::vector<RemovedRegistration> RemovedRegistrations;
