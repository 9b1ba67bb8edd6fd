#include "inventory/UsageCache.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "support/MessageBoxCatcher.h"
#include "support/RegistrySandbox.h"

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

TEST(UsageCacheTest, RecordsOfEveryShapeAreReadUnderTheirOwnRootOnly) {
  RegistrySandbox registry;
  MessageBoxCatcher boxes;
  UsageRecord full;
  full.HasProgramPath = 1;
  full.ProgramSize = 0x123456789ll;
  full.LastUsedLow = 0x11223344;
  full.LastUsedHigh = 0x01C88884;
  full.UseCount = 7;
  full.ProgramPath = L"C:\\Program Files\\App\\app.exe";
  const auto write = [](const char* key, UsageRecord record) { RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, key, record); };
  write("Full", full);
  UsageRecord changed = full;
  changed.UseCount = -1;
  changed.LastUsedLow = changed.LastUsedHigh = 0;
  write("Uncounted", changed);
  changed = full;
  changed.HasProgramPath = 0;
  write("NoPathFlag", changed);
  changed.HasProgramPath = 1;
  changed.ProgramPath = std::wstring(259, L'p');
  write("LongPath", changed);
  changed.ProgramPath = std::wstring(262, L'p');  // fills the record, no NUL: too long for an ANSI path
  write("PathWithoutNul", changed);
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "TooLong", full.Bytes() + "extra");
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "Short", full.Bytes().substr(0, 26));
  RegistrySandbox::CreateKey(HKEY_LOCAL_MACHINE, std::string(ArpCachePath) + "KeyOnly");
  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, std::string(ArpCachePath) + "Text", "SlowInfoCache", "x");
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "Empty", "");

  const std::string none = "0 0 0 0:0 []";
  const std::tuple<HKEY, const char*, std::string> cases[] = {
      {HKEY_LOCAL_MACHINE, "Full", "1 123456789 7 1c88884:11223344 [C:\\Program Files\\App\\app.exe]"},
      {HKEY_CURRENT_USER, "Full", none},
      {HKEY_LOCAL_MACHINE, "Uncounted", "1 123456789 -1 0:0 [C:\\Program Files\\App\\app.exe]"},
      {HKEY_LOCAL_MACHINE, "NoPathFlag", "1 123456789 7 1c88884:11223344 []"},
      {HKEY_LOCAL_MACHINE, "LongPath", "1 123456789 7 1c88884:11223344 [" + std::string(259, 'p') + "]"},
      {HKEY_LOCAL_MACHINE, "PathWithoutNul", "1 123456789 7 1c88884:11223344 []"},
      {HKEY_LOCAL_MACHINE, "TooLong", none},
      {HKEY_LOCAL_MACHINE, "Short", "1 123456789 7 1c88884:11223344 []"},  // count: low half only
      {HKEY_LOCAL_MACHINE, "KeyOnly", none},
      {HKEY_LOCAL_MACHINE, "Text", none},
      {HKEY_LOCAL_MACHINE, "Empty", none},
      {HKEY_LOCAL_MACHINE, "Missing", none},
  };
  for (const auto& c : cases) EXPECT_EQ(std::get<2>(c), UsageRead(std::get<0>(c), std::get<1>(c))) << std::get<1>(c);
  EXPECT_TRUE(boxes.Boxes().empty());
}

}  // namespace
