#pragma once
// A command line as CreateProcessA reads it when it is given no application name.
#include <string>
#include <vector>

struct CommandSplit {
  std::string Program;     // as written, without its quotes
  std::string Parameters;  // the rest, after the blanks that end the program
};

// The readings of commandLine that CreateProcessA tries, in its order, until one names a file: a
// quoted program is the one reading; an unquoted one is cut at each run of blanks in turn, then
// taken whole (so C:\Program Files\X\un.exe /S is C:\Program, then C:\Program Files\X\un.exe).
std::vector<CommandSplit> CommandSplits(const std::string& commandLine);
