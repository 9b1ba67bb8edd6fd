// The platform-free logic on any input, under AddressSanitizer and UndefinedBehaviorSanitizer: no
// access outside its buffers, no undefined behaviour, and what holds for every input.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "actions/ExportFormat.h"
#include "inventory/CommandLine.h"
#include "inventory/Formatting.h"
#include "inventory/UsageRecord.h"
#include "listview/Comparisons.h"
#include "listview/IconLocation.h"

// Every reading of a command line takes its program and its parameters from the line itself.
bool ReadFromTheLine(const std::string& commandLine) {
  const auto splits = CommandSplits(commandLine);
  return !splits.empty() && std::all_of(splits.begin(), splits.end(), [&](const CommandSplit& split) {
    return split.Program.size() + split.Parameters.size() <= commandLine.size() &&
           commandLine.find(split.Program) != std::string::npos &&
           commandLine.compare(commandLine.size() - split.Parameters.size(), std::string::npos, split.Parameters) == 0;
  });
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size), first = text.substr(0, size / 2),
                                                                     second = text.substr(size / 2);
  unsigned char record[UsageRecordSize] = {};
  std::memcpy(record, data, std::min(size, UsageRecordSize));
  uint64_t number = 0;
  std::memcpy(&number, record, sizeof number);
  if (DecodeUsageRecord(record).ProgramPath.size() > 262 || ParseIconLocation(text).Path.size() > size ||
      !ReadFromTheLine(text) || CompareIgnoringAsciiCase(first, second) != -CompareIgnoringAsciiCase(second, first) ||
      CompareBytes(first, second) != -CompareBytes(second, first) || FormatSize(number).empty() != (number == 0) ||
      SeparatedLine({first, second}, ',').size() < size || IsoDate(number & 0xFFFFFFFF, number >> 32).size() % 10)
    std::abort();
  return 0;
}
