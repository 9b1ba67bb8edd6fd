#include "support/TestData.h"

FILETIME FileTimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
  SYSTEMTIME date = {};
  date.wYear = year;
  date.wMonth = month;
  date.wDay = day;
  date.wHour = hour;
  date.wMinute = minute;
  FILETIME time = {};
  SystemTimeToFileTime(&date, &time);
  return time;
}

UsageRecord UsageOf(int64_t programSize, int32_t useCount, FILETIME lastUsed) {
  UsageRecord record;
  record.ProgramSize = programSize;
  record.UseCount = useCount;
  record.LastUsedLow = lastUsed.dwLowDateTime;
  record.LastUsedHigh = lastUsed.dwHighDateTime;
  return record;
}

std::string UninstallKey(const std::string& keyName) { return UninstallPath + keyName; }

std::string ThisExecutable() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
}

std::string WindowsFile(const char* name) {
  char directory[MAX_PATH] = {};
  GetWindowsDirectoryA(directory, sizeof directory);
  return std::string(directory) + "\\" + name;
}
