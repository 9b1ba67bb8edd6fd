#pragma once
// Decoding of a usage-cache record: 552 bytes, little-endian.
#include <cstddef>
#include <cstdint>
#include <string>

const size_t UsageRecordSize = 552;

struct UsageCacheRecord {
  bool HasProgramPath = false;
  int64_t ProgramSize = 0;
  uint32_t LastUsedLow = 0;
  uint32_t LastUsedHigh = 0;
  int32_t UseCount = 0;
  std::u16string ProgramPath;  // up to its first NUL code unit, at most 262 code units
};

UsageCacheRecord DecodeUsageRecord(const unsigned char (&bytes)[UsageRecordSize]);
