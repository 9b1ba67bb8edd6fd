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

void WriteUsage(HKEY root, const std::string& key, const std::string& bytes, DWORD type = REG_BINARY) {
  RegistrySandbox::Write(root, ArpCachePath + key, "SlowInfoCache", type, bytes);
}

class InventoryTest : public ::testing::Test {
 protected:
  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};

TEST_F(InventoryTest, RegistrationsWithAnUninstallValueAreListedUserFirstAndSearchedInBothNamesIgnoringTheCaseOfAToZ) {
  const std::string longName(240, 'L');  // the ANSI registry calls of Wine take no path over 260
  RegistrySandbox::Register(User, "kb1", {"UninstallString=u"});  // a hot-fix's prefix has capitals
  RegistrySandbox::Register(User, "Shared", {"DisplayName=Shared", "UninstallString=u"});
  RegistrySandbox::Register(Machine, "KB2", {"QuietUninstallString=q"});
  RegistrySandbox::Register(Machine, "Microsoft Security Patch 3", {"UninstallString=u"});
  RegistrySandbox::Register(Machine, "Microsoft Security", {"UninstallString=u"});
  RegistrySandbox::Register(
      Machine, "Shared",
      {"DisplayName=Alpha", "QuietDisplayName=Beta", "QuietUninstallString=q", "WindowsInstaller=#1"});
  RegistrySandbox::Register(Machine, "Quiet", {"QuietDisplayName=Café", "UninstallString=u", "WindowsInstaller=1"});
  RegistrySandbox::Register(Machine, "Upper", {"DisplayName=CAFÉ WRITER", "UninstallString=u", "WindowsInstaller=#2"});
  RegistrySandbox::Register(Machine, "Lower", {"DisplayName=Lower", "uninstallstring=u"});
  RegistrySandbox::Register(Machine, "NameOnly", {"DisplayName=NameOnly"});
  RegistrySandbox::Register(Machine, longName, {"DisplayName=Long", "UninstallString=u"});
  RegistrySandbox::Write(Machine, UninstallPath + std::string("Binary"), "UninstallString", REG_BINARY, "");
  WriteUsage(Machine, "Shared", UsageRecord(1, 7));
  WriteUsage(Machine, longName, UsageRecord(1, 9));
  const Texts all = {
      "kb1 user",     "Shared user",         "Binary machine",     "Long machine 9", "Microsoft Security machine",
      "Café machine", "Alpha machine 7 msi", "CAFÉ WRITER machine"};
  const std::tuple<const char*, bool, Texts> searches[] = {
      {"", false, all},
      {"",
       true,
       {"kb1 user", "Shared user", "Binary machine", "KB2 machine", "Long machine 9", "Microsoft Security machine",
        "Microsoft Security Patch 3 machine", "Café machine", "Alpha machine 7 msi", "CAFÉ WRITER machine"}},
      {"hab", false, {"Alpha machine 7 msi"}},
      {"caf", false, {"Café machine", "CAFÉ WRITER machine"}},
      {"é", false, {"Café machine"}},
      {"fÉ", false, {"CAFÉ WRITER machine"}},
      {"KB1", false, {"kb1 user"}},
      {"shared", false, {"Shared user"}}};
  RegistryCalls calls;
  for (const auto& [search, showSystem, listed] : searches) {
    Texts scanned;  // "title root [use count] [msi]"
    for (const auto& entry : ScanInventory(search, showSystem))
      scanned.push_back(Title(entry) + (entry.Root == User ? " user" : " machine") +
                        (entry.HasUsageData ? " " + std::to_string(entry.UseCount) : "") +
                        (entry.WindowsInstaller ? " msi" : ""));
    EXPECT_EQ(listed, scanned) << '"' << search << '"';
  }
  EXPECT_EQ(2 * 8, calls.OpensOf(UninstallKeyPath)) << "two passes, the two roots";
  EXPECT_EQ(calls.Opens, calls.Closes);
  EXPECT_TRUE(Boxes.Boxes.empty());
}

// The scan's clock is the test's: a key is trusted from two seconds after its last write on.
FILETIME ClockTime;
void WINAPI TestClock(FILETIME* now) { *now = ClockTime; }

ULONGLONG LastWrite(const char* keyName) {
  HKEY key = nullptr;
  FILETIME written = {};
  RegOpenKeyExA(Machine, (UninstallPath + std::string(keyName)).c_str(), 0, KEY_READ, &key);
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   &written);
  RegCloseKey(key);
  return (ULONGLONG{written.dwHighDateTime} << 32) | written.dwLowDateTime;
}

TEST_F(InventoryTest, AKeyIsReadAgainUntilItIsTwoSecondsOldThenOnlyOnceWrittenAndUsageDataByEveryScan) {
  RegistrySandbox::Register(Machine, "App", {"DisplayName=App", "UninstallString=u", "Publisher=Old"});
  RegistrySandbox::Register(Machine, "Other", {"DisplayName=Other", "UninstallString=o"});
  ScanClock = TestClock;
  const auto readsOfApp = [](ULONGLONG at, const std::string& search = "") {  // opens of keys named App by a scan
    ClockTime = {static_cast<DWORD>(at), static_cast<DWORD>(at >> 32)};
    RegistryCalls calls;
    ScanInventory(search, false);
    EXPECT_EQ(calls.Opens, calls.Closes);
    return calls.OpensOf("App");
  };
  const ULONGLONG written = LastWrite("App"), twoSeconds = 20000000;
  EXPECT_EQ((std::vector<int>{1, 1, 1, 0}),
            (std::vector<int>{readsOfApp(written), readsOfApp(written + twoSeconds),
                              readsOfApp(written + twoSeconds + 1), readsOfApp(written + twoSeconds + 1)}));
  RegistrySandbox::Register(Machine, "App", {"Publisher=New"});
  WriteUsage(Machine, "App", UsageRecord(1, 9));
  // Searched away, App is read for its names only; listed again, for the rest. Its usage record
  // (in a key also named App) is read by every scan that lists it.
  const ULONGLONG rewritten = LastWrite("App") + twoSeconds + 1;
  EXPECT_EQ((std::vector<int>{1, 2, 1}),
            (std::vector<int>{readsOfApp(rewritten, "other"), readsOfApp(rewritten), readsOfApp(rewritten)}));
  const ProgramEntry app = ScanInventory("", false).at(0);
  EXPECT_EQ((Texts{"u", "New", "9"}), (Texts{app.UninstallString, app.Publisher, std::to_string(app.UseCount)}));
  ScanClock = GetSystemTimeAsFileTime;
}

TEST_F(InventoryTest, UsageRecordsOfEveryShapeAreReadUnderTheirOwnRootOnly) {
  const std::wstring path = L"C:\\Program Files\\App\\app.exe";
  const FILETIME used = {0x11223344, 0x01C88884};
  const std::string full = UsageRecord(0x123456789ll, 7, used, path);
  WriteUsage(Machine, "Full", full);
  WriteUsage(Machine, "Uncounted", UsageRecord(0x123456789ll, -1, {0, 0}, path));
  WriteUsage(Machine, "NoPathFlag", full.substr(0, 4) + std::string(4, '\0') + full.substr(8));
  WriteUsage(Machine, "LongPath", UsageRecord(0x123456789ll, 7, used, std::wstring(259, L'p')));
  WriteUsage(Machine, "PathWithoutNul",
             UsageRecord(0x123456789ll, 7, used, std::wstring(262, L'p')));  // no room for NUL
  WriteUsage(Machine, "TooLong", full + "x");
  WriteUsage(Machine, "Short", full.substr(0, 26));  // the bytes from 26 on read as zero
  WriteUsage(Machine, "Empty", "");
  WriteUsage(Machine, "Text", "x", REG_SZ);
  Texts read;  // "key: has size count time path", the user's Full last
  for (const char* key : {"Full", "Uncounted", "NoPathFlag", "LongPath", "PathWithoutNul", "TooLong", "Short", "Empty",
                          "Text", "Missing", ""}) {
    ProgramEntry e;
    ReadUsageCache(*key ? Machine : User, 0, *key ? key : "Full", e);
    read.push_back(key + (": " + std::to_string(e.HasUsageData)) + " " + std::to_string(e.ProgramSize) + " " +
                   std::to_string(e.UseCount) + " " + std::to_string(e.LastUsedTime.dwHighDateTime) + ":" +
                   std::to_string(e.LastUsedTime.dwLowDateTime) + " " + e.ProgramPath);
  }
  EXPECT_EQ((Texts{"Full: 1 4886718345 7 29919364:287454020 C:\\Program Files\\App\\app.exe",
                   "Uncounted: 1 4886718345 -1 0:0 C:\\Program Files\\App\\app.exe",
                   "NoPathFlag: 1 4886718345 7 29919364:287454020 ",
                   "LongPath: 1 4886718345 7 29919364:287454020 " + std::string(259, 'p'),
                   "PathWithoutNul: 1 4886718345 7 29919364:287454020 " + std::string(262, 'p'), "TooLong: 0 0 0 0:0 ",
                   "Short: 1 4886718345 7 29919364:287454020 ", "Empty: 0 0 0 0:0 ", "Text: 0 0 0 0:0 ",
                   "Missing: 0 0 0 0:0 ", ": 0 0 0 0:0 "}),
            read);
  EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST(FormattingTest, SizesUseCountsAndDatesAreShownAsTheListAndThePaneShowThem) {
  for (const std::string row : {"0=", "999=999 B", "1000=0.98 KB", "1023=1.00 KB", "1024=1 KB", "10239=10.00 KB",
                                "50000=48.8 KB", "150000=146 KB", "1000000=0.95 MB", "1048576=1 MB",
                                "1000000000=0.93 GB", "4294967295=4 GB", "5000000000=4.66 GB", "1000000000000=931 GB"})
    EXPECT_EQ(row, row.substr(0, row.find('=') + 1) + FormatSize(std::stoull(row)));
  for (const std::string row : {"2=rarely (2)", "3=occasionally (3)", "10=occasionally (10)", "11=frequently (11)",
                                "4294967294=frequently (4294967294)"})
    EXPECT_EQ(row, row.substr(0, row.find('=') + 1) + FormatUseCount(std::stoul(row)));
  // The stored day whatever its hour, with its year; nothing for zero or a time past the calendar.
  const std::string day = FormatDate(FileTimeOf(2008, 3, 17));
  EXPECT_EQ((Texts{day, "", ""}),
            (Texts{FormatDate(FileTimeOf(2008, 3, 17, 23)), FormatDate({0, 0}), FormatDate({~0u, ~0u})}));
  EXPECT_TRUE(day != FormatDate(FileTimeOf(2008, 3, 18)) && day.find("2008") != std::string::npos) << day;
}

}  // namespace
