// Decoding any 552 bytes gives the fields at their offsets and a path that stops at its first
// NUL or at the end of the record.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "inventory/UsageRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  unsigned char bytes[UsageRecordSize] = {};
  std::memcpy(bytes, data, size < UsageRecordSize ? size : UsageRecordSize);
  const UsageCacheRecord record = DecodeUsageRecord(bytes);

  int64_t programSize;
  int32_t useCount;
  uint32_t hasPath, low, high;
  std::memcpy(&hasPath, bytes + 4, 4);
  std::memcpy(&programSize, bytes + 8, 8);
  std::memcpy(&low, bytes + 16, 4);
  std::memcpy(&high, bytes + 20, 4);
  std::memcpy(&useCount, bytes + 24, 4);
  if (record.HasProgramPath != (hasPath != 0) || record.ProgramSize != programSize || record.LastUsedLow != low ||
      record.LastUsedHigh != high || record.UseCount != useCount)
    std::abort();

  size_t units = 0;
  while (units < 262 && (bytes[28 + 2 * units] | bytes[29 + 2 * units]) != 0) ++units;
  if (record.ProgramPath.size() != units) std::abort();
  for (size_t i = 0; i < units; ++i)
    if (record.ProgramPath[i] != static_cast<char16_t>(bytes[28 + 2 * i] | bytes[29 + 2 * i] << 8)) std::abort();
  return 0;
}
