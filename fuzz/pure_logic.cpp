// The platform-free logic on any input, under the sanitizers; a broken property is told by name.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "actions/ExportFormat.h"
#include "inventory/CommandLine.h"
#include "inventory/Dates.h"
#include "inventory/Formatting.h"
#include "inventory/StaleRules.h"
#include "inventory/UsageRecord.h"
#include "listview/Comparisons.h"
#include "listview/IconLocation.h"
#include "registry/AsciiCase.h"

namespace {

void Check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

std::string Digits(std::string isoDate) {
  isoDate.erase(std::remove(isoDate.begin(), isoDate.end(), '-'), isoDate.end());
  return isoDate;
}

// Every reading of a command line takes its program and its parameters from the line itself.
bool ReadFromTheLine(const std::string& commandLine) {
  const auto splits = CommandSplits(commandLine);
  return !splits.empty() && std::all_of(splits.begin(), splits.end(), [&](const CommandSplit& split) {
    return split.Program.size() + split.Parameters.size() <= commandLine.size() &&
           commandLine.find(split.Program) != std::string::npos &&
           commandLine.compare(commandLine.size() - split.Parameters.size(), std::string::npos, split.Parameters) == 0;
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size), first = text.substr(0, size / 2),
                                                                     second = text.substr(size / 2);
  unsigned char record[UsageRecordSize] = {};
  std::memcpy(record, data, std::min(size, UsageRecordSize));
  uint64_t number = 0;
  std::memcpy(&number, record, sizeof number);

  Check(DecodeUsageRecord(record).ProgramPath.size() <= 262, "a usage record's path holds at most 262 code units");
  Check(ParseIconLocation(text).Path.size() <= size, "an icon path is never longer than its location");
  Check(ReadFromTheLine(text), "every reading of a command line takes its program and parameters from the line");
  const std::string productCode = InstallerProductCode(first, second);
  Check(productCode.empty() ||
            (IsProductCode(productCode) && (productCode == first || second.find(productCode) != std::string::npos)),
        "a registration's product code is its key name or is written in its command");
  Check(!DriveLetter(text) || !IsSharePath(text), "a path is on a drive or on a share, not both");
  Check(CompareBytes(first, second) == -CompareBytes(second, first), "CompareBytes is antisymmetric");
  Check(FormatSize(number).empty() == (number == 0), "FormatSize is empty for 0 bytes only");
  Check(SeparatedLine({first, second}, ',').size() >= size, "a separated line holds every byte of its fields");

  const std::string upper = UpperCaseAscii(text);
  Check(upper.size() == text.size(), "UpperCaseAscii keeps the length");
  Check(std::none_of(upper.begin(), upper.end(), [](char c) { return c >= 'a' && c <= 'z'; }),
        "UpperCaseAscii leaves no letter a to z");
  for (size_t i = 0; i < size; ++i)
    Check(upper[i] == text[i] || (text[i] >= 'a' && text[i] <= 'z'), "UpperCaseAscii changes only a to z");
  Check(CompareIgnoringAsciiCase(first, second) == -CompareIgnoringAsciiCase(second, first),
        "CompareIgnoringAsciiCase is antisymmetric");
  Check(CompareIgnoringAsciiCase(first, second) == CompareBytes(UpperCaseAscii(first), UpperCaseAscii(second)),
        "CompareIgnoringAsciiCase orders as CompareBytes of the upper-cased names");

  const uint32_t day = DayOfTime(number & 0xFFFFFFFF, number >> 32);
  Check(IsoDate(day).size() == (day ? 10 : 0), "IsoDate of a day is YYYY-MM-DD, empty for none");
  Check(!day || ParseInstallDate(Digits(IsoDate(day))) == day, "every day of a time is a day InstallDate can name");
  const uint32_t installed = ParseInstallDate(text);
  Check(!installed || Digits(IsoDate(installed)) == text, "an InstallDate names the day of its own digits");
  return 0;
}
