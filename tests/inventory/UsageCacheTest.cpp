#include "inventory/UsageCache.h"

#include <gtest/gtest.h>

#include "inventory/InventoryScan.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistrySandbox.h"

namespace {

class UsageCacheTest : public ::testing::Test {
 protected:
  static ProgramEntry Read(HKEY root, const std::string& key = "App") {
    ProgramEntry entry;
    ReadUsageCache(root, 0, key, entry);
    return entry;
  }

  static UsageRecord FullRecord() {
    UsageRecord record;
    record.HasProgramPath = 1;
    record.ProgramSize = 0x123456789ll;
    record.LastUsedLow = 0x11223344;
    record.LastUsedHigh = 0x01C88884;
    record.UseCount = 7;
    record.ProgramPath = L"C:\\Program Files\\App\\app.exe";
    return record;
  }

  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};

TEST_F(UsageCacheTest, ARecordFillsEveryUsageField) {
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "App", FullRecord());
  ProgramEntry entry = Read(HKEY_LOCAL_MACHINE);

  EXPECT_EQ(1, entry.HasUsageData);
  EXPECT_EQ(0x123456789ll, entry.ProgramSize);
  EXPECT_EQ(7, entry.UseCount);
  EXPECT_EQ(0x11223344u, entry.LastUsedTime.dwLowDateTime);
  EXPECT_EQ(0x01C88884u, entry.LastUsedTime.dwHighDateTime);
  EXPECT_EQ("C:\\Program Files\\App\\app.exe", entry.ProgramPath);
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(UsageCacheTest, NoRecordLeavesTheEntryWithoutUsageData) {
  RegistrySandbox::CreateKey(HKEY_LOCAL_MACHINE, std::string(ArpCachePath) + "KeyOnly");
  RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, std::string(ArpCachePath) + "Text", "SlowInfoCache", "x");
  RegistrySandbox::WriteValue(HKEY_LOCAL_MACHINE, std::string(ArpCachePath) + "Empty", "SlowInfoCache", REG_BINARY, "");

  for (const char* key : {"Missing", "KeyOnly", "Text", "Empty"}) {
    ProgramEntry entry = Read(HKEY_LOCAL_MACHINE, key);
    EXPECT_EQ(0, entry.HasUsageData) << key;
    EXPECT_EQ(0, entry.ProgramSize) << key;
    EXPECT_EQ(0, entry.UseCount) << key;
    EXPECT_EQ(0u, entry.LastUsedTime.dwLowDateTime | entry.LastUsedTime.dwHighDateTime) << key;
    EXPECT_EQ("", entry.ProgramPath) << key;
  }
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(UsageCacheTest, TheRecordIsLookedUpUnderTheRegistrationsOwnRootOnly) {
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "App", FullRecord());
  EXPECT_EQ(0, Read(HKEY_CURRENT_USER).HasUsageData);
}

TEST_F(UsageCacheTest, CountMinusOneAndZeroTimeAreCopiedAsTheyAre) {
  UsageRecord record = FullRecord();
  record.UseCount = -1;
  record.LastUsedLow = record.LastUsedHigh = 0;
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "App", record);
  ProgramEntry entry = Read(HKEY_LOCAL_MACHINE);

  EXPECT_EQ(1, entry.HasUsageData);
  EXPECT_EQ(-1, entry.UseCount);
  EXPECT_EQ(0u, entry.LastUsedTime.dwLowDateTime | entry.LastUsedTime.dwHighDateTime);
}

TEST_F(UsageCacheTest, WithoutThePathFlagThePathIsEmptyButTheNumbersStay) {
  UsageRecord record = FullRecord();
  record.HasProgramPath = 0;
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "App", record);
  ProgramEntry entry = Read(HKEY_LOCAL_MACHINE);

  EXPECT_EQ(1, entry.HasUsageData);
  EXPECT_EQ("", entry.ProgramPath);
  EXPECT_EQ(0x123456789ll, entry.ProgramSize);
  EXPECT_EQ(7, entry.UseCount);
  EXPECT_EQ(0x11223344u, entry.LastUsedTime.dwLowDateTime);
}

TEST_F(UsageCacheTest, ARecordLongerThan552BytesCountsAsNoRecord) {
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "App", FullRecord().Bytes() + "extra");
  ProgramEntry entry = Read(HKEY_LOCAL_MACHINE);

  EXPECT_EQ(0, entry.HasUsageData);
  EXPECT_EQ(0, entry.ProgramSize);
  EXPECT_TRUE(Boxes.Boxes().empty());
}

TEST_F(UsageCacheTest, AShortRecordHasItsMissingBytesReadAsZero) {
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "App", FullRecord().Bytes().substr(0, 26));
  ProgramEntry entry = Read(HKEY_LOCAL_MACHINE);

  EXPECT_EQ(1, entry.HasUsageData);
  EXPECT_EQ(0x123456789ll, entry.ProgramSize);
  EXPECT_EQ(7, entry.UseCount);  // low half present, high half zero
  EXPECT_EQ("", entry.ProgramPath);
}

TEST_F(UsageCacheTest, APathWithoutNulEndsWithTheRecordAndOneTooLongForAnAnsiPathIsEmpty) {
  UsageRecord record = FullRecord();
  record.ProgramPath = std::wstring(259, L'p');
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "Fits", record);
  record.ProgramPath = std::wstring(262, L'p');  // fills the record, no NUL
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "Full", record);

  EXPECT_EQ(std::string(259, 'p'), Read(HKEY_LOCAL_MACHINE, "Fits").ProgramPath);
  ProgramEntry full = Read(HKEY_LOCAL_MACHINE, "Full");
  EXPECT_EQ(1, full.HasUsageData);
  EXPECT_EQ("", full.ProgramPath);
}

TEST_F(UsageCacheTest, TheScanReadsTheRecordOfEveryEntryItKeeps) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "App", {{"UninstallString", "u"}});
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "App", {{"UninstallString", "u"}});
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "App", FullRecord());

  std::vector<ProgramEntry> entries = ScanInventory("", false);
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ(0, entries[0].HasUsageData);
  EXPECT_EQ(1, entries[1].HasUsageData);
  EXPECT_EQ(7, entries[1].UseCount);
}

}  // namespace
