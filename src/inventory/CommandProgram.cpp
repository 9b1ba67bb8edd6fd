#include "inventory/CommandProgram.h"

#include <windows.h>

#include <vector>

namespace {

// The full path of the file that program names, or "" when there is none.
std::string SearchProgramFile(const std::string& program) {
  std::vector<char> path(MAX_PATH);
  DWORD length = SearchPathA(nullptr, program.c_str(), ".exe", static_cast<DWORD>(path.size()), path.data(), nullptr);
  if (length >= path.size()) {
    path.resize(length);
    length = SearchPathA(nullptr, program.c_str(), ".exe", static_cast<DWORD>(path.size()), path.data(), nullptr);
  }
  if (length == 0 || length >= path.size()) return "";
  const DWORD attributes = GetFileAttributesA(path.data());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? path.data() : "";
}

}  // namespace

bool FindCommandProgram(const std::string& commandLine, CommandSplit& found) {
  for (const CommandSplit& split : CommandSplits(commandLine)) {
    if (split.Program.empty()) continue;
    const std::string file = SearchProgramFile(split.Program);
    if (file.empty()) continue;
    found = {file, split.Parameters};
    return true;
  }
  return false;
}
