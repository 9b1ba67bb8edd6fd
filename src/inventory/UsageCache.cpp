#include "inventory/UsageCache.h"

#include "inventory/UsageRecord.h"
#include "registry/RegistryKey.h"

const char* const UsageCachePath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";

namespace {

// The ANSI form of path, or "" when it does not fit 260 bytes with its NUL.
std::string ToAnsiPath(const std::u16string& path) {
  std::wstring wide(path.begin(), path.end());
  char ansi[MAX_PATH];
  if (WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr) == 0) return "";
  return ansi;
}

}  // namespace

void ReadUsageCache(HKEY root, REGSAM view, const std::string& keyName, ProgramEntry& entry) {
  CRegistryKey cache;
  if (!cache.Open(root, UsageCachePath, KEY_READ | view)) return;
  ReadUsageRecord(cache.Handle, view, keyName, entry);
}

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
