#include <cstdio>
#include <gtest/gtest.h>

#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "inventory/InventoryScan.h"
#include "inventory/UsageCache.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySandbox.h"

namespace {

using Texts = std::vector<std::string>;
const HKEY User = HKEY_CURRENT_USER, Machine = HKEY_LOCAL_MACHINE;

class InventoryTest : public ::testing::Test {
 protected:
  void TearDown() override { ScanClock = GetSystemTimeAsFileTime; }

  // "title root [use count] [msi]" of each entry listed.
  static Texts Scanned(const std::string& search = "", bool showSystem = false) {
    Texts scanned;
    for (const auto& entry : ScanInventory(search, showSystem))
      scanned.push_back(Title(entry) + (entry.Root == User ? " user" : " machine") +
                        (entry.HasUsageData ? " " + std::to_string(entry.UseCount) : "") +
                        (entry.WindowsInstaller ? " msi" : ""));
    return scanned;
  }

  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};

TEST_F(InventoryTest, RegistrationsWithAnUninstallValueAreListedUserFirstAndSearchedInBothNamesIgnoringTheCaseOfAToZ) {
  const std::string longName(240, 'L');  // the ANSI registry calls of Wine take no path over 260
  const std::tuple<HKEY, std::string, std::vector<std::pair<std::string, std::string>>> registrations[] = {
      {User, "kb1", {{"UninstallString", "u"}}},  // a hot-fix's prefix has capitals
      {User, "Shared", {{"DisplayName", "Shared"}, {"UninstallString", "u"}}},
      {Machine, "KB2", {{"QuietUninstallString", "q"}}},
      {Machine, "Microsoft Security Patch 3", {{"UninstallString", "u"}}},
      {Machine, "Microsoft Security", {{"UninstallString", "u"}}},
      {Machine,
       "Shared",
       {{"DisplayName", "Alpha"},
        {"QuietDisplayName", "Beta"},
        {"QuietUninstallString", "q"},
        {"WindowsInstaller", "#1"}}},
      {Machine, "Quiet", {{"QuietDisplayName", "Caf\xE9"}, {"UninstallString", "u"}, {"WindowsInstaller", "1"}}},
      {Machine, "Upper", {{"DisplayName", "CAF\xC9 WRITER"}, {"UninstallString", "u"}, {"WindowsInstaller", "#2"}}},
      {Machine, "Lower", {{"DisplayName", "Lower"}, {"uninstallstring", "u"}}},
      {Machine, "NameOnly", {{"DisplayName", "NameOnly"}}},
      {Machine, longName, {{"DisplayName", "Long"}, {"UninstallString", "u"}}}};
  for (const auto& [root, key, values] : registrations) RegistrySandbox::Register(root, key, values);
  RegistrySandbox::Write(Machine, UninstallPath + std::string("Binary"), "UninstallString", REG_BINARY, "");
  RegistrySandbox::Write(Machine, ArpCachePath + std::string("Shared"), "SlowInfoCache", REG_BINARY, UsageRecord(1, 7));
  RegistrySandbox::Write(Machine, ArpCachePath + longName, "SlowInfoCache", REG_BINARY, UsageRecord(1, 9));

  const std::tuple<const char*, bool, Texts> searches[] = {
      {"",
       false,
       {"kb1 user", "Shared user", "Binary machine", "Long machine 9", "Microsoft Security machine", "Caf\xE9 machine",
        "Alpha machine 7 msi", "CAF\xC9 WRITER machine"}},
      {"",
       true,
       {"kb1 user", "Shared user", "Binary machine", "KB2 machine", "Long machine 9", "Microsoft Security machine",
        "Microsoft Security Patch 3 machine", "Caf\xE9 machine", "Alpha machine 7 msi", "CAF\xC9 WRITER machine"}},
      {"hab", false, {"Alpha machine 7 msi"}},
      {"caf", false, {"Caf\xE9 machine", "CAF\xC9 WRITER machine"}},
      {"\xE9", false, {"Caf\xE9 machine"}},
      {"f\xC9", false, {"CAF\xC9 WRITER machine"}},
      {"KB1", false, {"kb1 user"}},
      {"shared", false, {"Shared user"}},
      {"none", false, {}}};
  RegistryCalls calls;
  for (const auto& [search, showSystem, listed] : searches)
    EXPECT_EQ(listed, Scanned(search, showSystem)) << '"' << search << '"';
  EXPECT_EQ(2 * 9, calls.OpensOf(UninstallKeyPath)) << "two passes, the two roots";
  EXPECT_EQ(calls.Opens, calls.Closes);
  EXPECT_TRUE(Boxes.Boxes.empty());
}

// The scan's clock is the test's: a key is trusted from two seconds after its last write on.
FILETIME ClockTime;
void WINAPI TestClock(FILETIME* now) { *now = ClockTime; }

ULONGLONG LastWrite(const std::string& keyName) {
  HKEY key = nullptr;
  FILETIME written = {};
  RegOpenKeyExA(Machine, (UninstallPath + keyName).c_str(), 0, KEY_READ, &key);
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   &written);
  RegCloseKey(key);
  return (ULONGLONG{written.dwHighDateTime} << 32) | written.dwLowDateTime;
}

TEST_F(InventoryTest, AKeyIsReadAgainUntilItIsTwoSecondsOldThenOnlyOnceWrittenAndUsageDataByEveryScan) {
  RegistrySandbox::Register(Machine, "App", {{"DisplayName", "App"}, {"UninstallString", "u"}, {"Publisher", "Old"}});
  RegistrySandbox::Register(Machine, "Other", {{"DisplayName", "Other"}, {"UninstallString", "o"}});
  ScanClock = TestClock;
  const ULONGLONG twoSeconds = 20000000;
  // The opens of keys named App by a scan at this time.
  const auto readsOfApp = [](ULONGLONG at, const std::string& search = "") {
    ClockTime = {static_cast<DWORD>(at), static_cast<DWORD>(at >> 32)};
    RegistryCalls calls;
    ScanInventory(search, false);
    EXPECT_EQ(calls.Opens, calls.Closes);
    return calls.OpensOf("App");
  };
  const ULONGLONG first = LastWrite("App"), settled = first + twoSeconds + 1;
  EXPECT_EQ((std::vector<int>{1, 1, 1, 0}), (std::vector<int>{readsOfApp(first), readsOfApp(first + twoSeconds),
                                                              readsOfApp(settled), readsOfApp(settled)}));
  RegistrySandbox::Register(Machine, "App", {{"Publisher", "New"}});
  RegistrySandbox::Write(Machine, ArpCachePath + std::string("App"), "SlowInfoCache", REG_BINARY, UsageRecord(1, 9));
  // Searched away, the registration is read only for its names; listed again, for the rest. The
  // usage record of a listed entry, in a key also named App, is read by every scan.
  const ULONGLONG rewritten = LastWrite("App") + twoSeconds + 1;
  EXPECT_EQ((std::vector<int>{1, 2, 1}),
            (std::vector<int>{readsOfApp(rewritten, "other"), readsOfApp(rewritten), readsOfApp(rewritten)}));
  const std::vector<ProgramEntry> entries = ScanInventory("", false);
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ((Texts{"u", "New", "9"}),
            (Texts{entries[0].UninstallString, entries[0].Publisher, std::to_string(entries[0].UseCount)}));
  EXPECT_TRUE(Boxes.Boxes.empty());
}

// "has size count high:low [path]" of the usage fields that the record under root gives.
std::string UsageRead(HKEY root, const std::string& key) {
  ProgramEntry entry;
  ReadUsageCache(root, 0, key, entry);
  char text[512];
  std::snprintf(text, sizeof text, "%d %llx %d %lx:%lx [%s]", entry.HasUsageData,
                static_cast<unsigned long long>(entry.ProgramSize), entry.UseCount, entry.LastUsedTime.dwHighDateTime,
                entry.LastUsedTime.dwLowDateTime, entry.ProgramPath.c_str());
  return text;
}

TEST_F(InventoryTest, UsageRecordsOfEveryShapeAreReadUnderTheirOwnRootOnly) {
  const FILETIME used = {0x11223344, 0x01C88884};
  const std::wstring path = L"C:\\Program Files\\App\\app.exe";
  const std::string full = UsageRecord(0x123456789ll, 7, used, path);
  const std::pair<const char*, std::string> records[] = {
      {"Full", full},
      {"Uncounted", UsageRecord(0x123456789ll, -1, {0, 0}, path)},
      {"NoPathFlag", full.substr(0, 4) + std::string(4, '\0') + full.substr(8)},
      {"LongPath", UsageRecord(0x123456789ll, 7, used, std::wstring(259, L'p'))},
      {"PathWithoutNul", UsageRecord(0x123456789ll, 7, used, std::wstring(262, L'p'))},  // more than a path holds
      {"TooLong", full + "x"},
      {"Short", full.substr(0, 26)},  // the bytes from 26 on read as zero
      {"Empty", ""}};
  for (const auto& [key, bytes] : records)
    RegistrySandbox::Write(Machine, ArpCachePath + std::string(key), "SlowInfoCache", REG_BINARY, bytes);
  RegistrySandbox::Write(Machine, ArpCachePath + std::string("Text"), "SlowInfoCache", REG_SZ, "x");

  const std::string none = "0 0 0 0:0 []", fields = "1 123456789 7 1c88884:11223344 [";
  const std::tuple<HKEY, const char*, std::string> cases[] = {
      {Machine, "Full", fields + "C:\\Program Files\\App\\app.exe]"},
      {User, "Full", none},
      {Machine, "Uncounted", "1 123456789 -1 0:0 [C:\\Program Files\\App\\app.exe]"},
      {Machine, "NoPathFlag", fields + "]"},
      {Machine, "LongPath", fields + std::string(259, 'p') + "]"},
      {Machine, "PathWithoutNul", fields + "]"},
      {Machine, "TooLong", none},
      {Machine, "Short", fields + "]"},
      {Machine, "Empty", none},
      {Machine, "Text", none},
      {Machine, "Missing", none}};
  for (const auto& [root, key, read] : cases) EXPECT_EQ(read, UsageRead(root, key)) << key;
  EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST(FormattingTest, SizesUseCountsAndDatesAreShownAsTheListAndThePaneShowThem) {
  const std::pair<uint64_t, const char*> sizes[] = {{0, ""},
                                                    {999, "999 B"},
                                                    {1000, "0.98 KB"},
                                                    {1023, "1.00 KB"},
                                                    {1024, "1 KB"},
                                                    {50000, "48.8 KB"},
                                                    {150000, "146 KB"},
                                                    {1000000, "0.95 MB"},
                                                    {1048576, "1 MB"},
                                                    {1000000000, "0.93 GB"},
                                                    {4294967295u, "4 GB"},
                                                    {5000000000ull, "4.66 GB"},
                                                    {1000000000000ull, "931 GB"}};
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(text, FormatSize(bytes)) << bytes;
  const std::pair<uint32_t, const char*> counts[] = {{2, "rarely (2)"},
                                                     {3, "occasionally (3)"},
                                                     {10, "occasionally (10)"},
                                                     {11, "frequently (11)"},
                                                     {4294967294u, "frequently (4294967294)"}};
  for (const auto& [count, text] : counts) EXPECT_EQ(text, FormatUseCount(count)) << count;
  // The stored day whatever its hour, with its year; nothing for zero or a time past the calendar.
  const std::string day = FormatDate(FileTimeOf(2008, 3, 17));
  EXPECT_EQ(day, FormatDate(FileTimeOf(2008, 3, 17, 23)));
  EXPECT_NE(day, FormatDate(FileTimeOf(2008, 3, 18)));
  EXPECT_NE(std::string::npos, day.find("2008"));
  EXPECT_EQ("", FormatDate({0, 0}) + FormatDate({0xFFFFFFFF, 0xFFFFFFFF}));
}

}  // namespace
