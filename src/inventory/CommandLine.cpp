#include "inventory/CommandLine.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

size_t SkipBlanks(const std::string& text, size_t i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

}  // namespace

std::vector<CommandSplit> CommandSplits(const std::string& commandLine) {
  const size_t start = SkipBlanks(commandLine, 0);
  if (start < commandLine.size() && commandLine[start] == '"') {
    const size_t close = commandLine.find('"', start + 1);
    if (close == std::string::npos) return {{commandLine.substr(start + 1), ""}};
    return {{commandLine.substr(start + 1, close - start - 1), commandLine.substr(SkipBlanks(commandLine, close + 1))}};
  }
  std::vector<CommandSplit> splits;
  for (size_t i = start; i < commandLine.size(); ++i) {
    if (!IsBlank(commandLine[i])) continue;
    const size_t next = SkipBlanks(commandLine, i);
    if (next < commandLine.size()) splits.push_back({commandLine.substr(start, i - start), commandLine.substr(next)});
    i = next;
  }
  size_t end = commandLine.size();
  while (end > start && IsBlank(commandLine[end - 1])) --end;
  splits.push_back({commandLine.substr(start, end - start), ""});
  return splits;
}
