#pragma once
// Finds the program file of a command line in the file system.
#include <string>

#include "inventory/CommandLine.h"

// The first reading of commandLine (CommandSplits) whose program is a file, with the program as
// the full path of that file, found as CreateProcessA finds it: a bare name on the search path,
// ".exe" added to a name without an extension. False when no reading names a file.
bool FindCommandProgram(const std::string& commandLine, CommandSplit& found);
