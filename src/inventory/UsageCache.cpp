#include "inventory/UsageCache.h"

#include "inventory/UsageRecord.h"
#include "registry/AsciiCase.h"
#include "registry/RegistryKey.h"

const char* const UsageCachePath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";

namespace {

// The ANSI form of path, whole: in UTF-8 a character may take up to four bytes.
std::string ToAnsiPath(const std::u16string& path) {
  const std::wstring wide(path.begin(), path.end());
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(length), '\0');
  if (length == 0 || WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &ansi[0], length, nullptr, nullptr) == 0)
    return "";
  return ansi;
}

// Plain ASCII, without the question mark that stands for a character of a name that the code
// page cannot show.
bool IsPlainAscii(const std::string& name) {
  for (char c : name)
    if (static_cast<unsigned char>(c) >= 0x80 || c == '?') return false;
  return true;
}

}  // namespace

void ReadUsageRecord(HKEY cache, REGSAM view, const std::string& keyName, ProgramEntry& entry) {
  CRegistryKey key;
  if (!key.Open(cache, keyName, KEY_READ | view)) return;
  unsigned char bytes[UsageRecordSize] = {};
  entry.HasUsageData = key.GetBinaryValue("SlowInfoCache", bytes, sizeof bytes) ? 1 : 0;
  if (!entry.HasUsageData) return;

  UsageCacheRecord record = DecodeUsageRecord(bytes);
  entry.ProgramSize = record.ProgramSize;
  entry.UseCount = record.UseCount;
  entry.LastUsedTime.dwLowDateTime = record.LastUsedLow;
  entry.LastUsedTime.dwHighDateTime = record.LastUsedHigh;
  entry.ProgramPath = record.HasProgramPath ? ToAnsiPath(record.ProgramPath) : "";
}

UsageRecordNames ListUsageRecords(CRegistryKey& cache) {
  UsageRecordNames records;
  if (!cache.IsOpen()) return records;
  cache.EnumerateSubKeys();
  records.Complete = !cache.ReadFailed;
  for (const std::string& name : cache.SubKeyNames) {
    records.Complete = records.Complete && IsPlainAscii(name);
    records.UpperNames.insert(UpperCaseAscii(name));
  }
  return records;
}

bool MayHaveUsageRecord(const UsageRecordNames& records, const std::string& keyName) {
  return !records.Complete || !IsPlainAscii(keyName) || records.UpperNames.count(UpperCaseAscii(keyName)) != 0;
}
