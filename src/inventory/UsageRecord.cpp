#include "inventory/UsageRecord.h"

namespace {

const size_t PathOffset = 28;
const size_t PathUnits = (UsageRecordSize - PathOffset) / 2;

uint64_t ReadLittleEndian(const unsigned char* bytes, size_t size) {
  uint64_t value = 0;
  for (size_t i = size; i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

UsageCacheRecord DecodeUsageRecord(const unsigned char (&bytes)[UsageRecordSize]) {
  UsageCacheRecord record;
  record.HasProgramPath = ReadLittleEndian(bytes + 4, 4) != 0;
  record.ProgramSize = static_cast<int64_t>(ReadLittleEndian(bytes + 8, 8));
  record.LastUsedLow = static_cast<uint32_t>(ReadLittleEndian(bytes + 16, 4));
  record.LastUsedHigh = static_cast<uint32_t>(ReadLittleEndian(bytes + 20, 4));
  record.UseCount = static_cast<int32_t>(ReadLittleEndian(bytes + 24, 4));
  for (size_t i = 0; i < PathUnits; ++i) {
    auto unit = static_cast<char16_t>(ReadLittleEndian(bytes + PathOffset + 2 * i, 2));
    if (unit == 0) break;
    record.ProgramPath.push_back(unit);
  }
  return record;
}
