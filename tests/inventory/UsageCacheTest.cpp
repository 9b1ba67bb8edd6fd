#include <gtest/gtest.h>
#include <sstream>
#include <tuple>

#include "inventory/UsageCache.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistrySandbox.h"
#include "support/TestData.h"

namespace {

// The usage fields of the entry that ReadUsageCache fills: "has size count high:low [path]".
std::string UsageRead(HKEY root, const std::string& key) {
  ProgramEntry entry;
  ReadUsageCache(root, 0, key, entry);
  std::ostringstream text;
  text << entry.HasUsageData << ' ' << std::hex << entry.ProgramSize << ' ' << std::dec << entry.UseCount << ' '
       << std::hex << entry.LastUsedTime.dwHighDateTime << ':' << entry.LastUsedTime.dwLowDateTime << " ["
       << entry.ProgramPath << ']';
  return text.str();
}

UsageRecord Record(int32_t useCount, FILETIME lastUsed, uint32_t hasPath, const std::wstring& path) {
  UsageRecord record = UsageOf(0x123456789ll, useCount, lastUsed);
  record.HasProgramPath = hasPath;
  record.ProgramPath = path;
  return record;
}

TEST(UsageCacheTest, RecordsOfEveryShapeAreReadUnderTheirOwnRootOnly) {
  RegistrySandbox registry;
  MessageBoxCatcher boxes;
  const FILETIME used = {0x11223344, 0x01C88884};
  const std::wstring path = L"C:\\Program Files\\App\\app.exe";
  const auto write = [](const char* key, const std::string& bytes) {
    RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, key, bytes);
  };
  write("Full", Record(7, used, 1, path).Bytes());
  write("Uncounted", Record(-1, {0, 0}, 1, path).Bytes());
  write("NoPathFlag", Record(7, used, 0, path).Bytes());
  write("LongPath", Record(7, used, 1, std::wstring(259, L'p')).Bytes());
  write("PathWithoutNul", Record(7, used, 1, std::wstring(262, L'p')).Bytes());  // fills the record: no NUL
  write("TooLong", Record(7, used, 1, path).Bytes() + "extra");
  write("Short", Record(7, used, 1, path).Bytes().substr(0, 26));
  write("Empty", "");
  RegistrySandbox::CreateKey(HKEY_LOCAL_MACHINE, std::string(ArpCachePath) + "KeyOnly");
  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, std::string(ArpCachePath) + "Text", "SlowInfoCache", "x");

  const std::string none = "0 0 0 0:0 []";
  const std::tuple<HKEY, const char*, std::string> cases[] = {
      {HKEY_LOCAL_MACHINE, "Full", "1 123456789 7 1c88884:11223344 [C:\\Program Files\\App\\app.exe]"},
      {HKEY_CURRENT_USER, "Full", none},
      {HKEY_LOCAL_MACHINE, "Uncounted", "1 123456789 -1 0:0 [C:\\Program Files\\App\\app.exe]"},
      {HKEY_LOCAL_MACHINE, "NoPathFlag", "1 123456789 7 1c88884:11223344 []"},
      {HKEY_LOCAL_MACHINE, "LongPath", "1 123456789 7 1c88884:11223344 [" + std::string(259, 'p') + "]"},
      {HKEY_LOCAL_MACHINE, "PathWithoutNul", "1 123456789 7 1c88884:11223344 [" + std::string(262, 'p') + "]"},
      {HKEY_LOCAL_MACHINE, "TooLong", none},
      {HKEY_LOCAL_MACHINE, "Short", "1 123456789 7 1c88884:11223344 []"},  // bytes from 26 on read as zero
      {HKEY_LOCAL_MACHINE, "KeyOnly", none},
      {HKEY_LOCAL_MACHINE, "Text", none},
      {HKEY_LOCAL_MACHINE, "Empty", none},
      {HKEY_LOCAL_MACHINE, "Missing", none},
  };
  for (const auto& c : cases) EXPECT_EQ(std::get<2>(c), UsageRead(std::get<0>(c), std::get<1>(c))) << std::get<1>(c);
  EXPECT_TRUE(boxes.Boxes().empty());
}

}  // namespace
