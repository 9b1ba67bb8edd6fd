// These tests write to the real HKEY_LOCAL_MACHINE of their throwaway 64-bit Wine prefix:
// redirection by RegOverridePredefKey does not separate the 32-bit and the 64-bit registry
// views. They refuse to run anywhere but under Wine.
#include <gtest/gtest.h>
#include <set>

#include "actions/RemoveEntry.h"
#include "inventory/InventoryScan.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistrySandbox.h"

namespace {

using Texts = std::vector<std::string>;
const REGSAM View32 = KEY_WOW64_32KEY, View64 = KEY_WOW64_64KEY;

class Wow64ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
      GTEST_SKIP() << "writes to HKEY_LOCAL_MACHINE: runs only under Wine";
    ASSERT_TRUE(RunsUnderWow64()) << "needs a 64-bit Wine prefix";
  }

  void TearDown() override {
    for (const auto& written : Written) {
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, written.second.c_str(), 0, KEY_ALL_ACCESS | written.first, &key) != 0)
        continue;
      RegDeleteKeyA(key, "");  // an empty name deletes the key itself
      RegCloseKey(key);
    }
  }

  void Write(REGSAM view, const std::string& path, const char* name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                                 nullptr));
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    Written.insert({view, path});
  }

  void Register(REGSAM view, const std::string& name) {
    Write(view, UninstallPath + Prefix + name, "UninstallString", REG_SZ, std::string("u.exe", 6));
  }

  void WriteUsage(REGSAM view, const std::string& name, int32_t useCount) {
    UsageRecord record;
    record.UseCount = useCount;
    Write(view, ArpCachePath + Prefix + name, "SlowInfoCache", REG_BINARY, record.Bytes());
  }

  // "<32|64> <name> <use count, or - without usage data>" of this test's own machine registrations,
  // in scan order.
  Texts ScanOwn() const {
    Texts own;
    for (const auto& entry : ScanInventory("", false))
      if (entry.Root == HKEY_LOCAL_MACHINE && entry.KeyName.compare(0, Prefix.size(), Prefix) == 0)
        own.push_back(std::string(entry.View == View64   ? "64 "
                                  : entry.View == View32 ? "32 "
                                                         : "? ") +
                      entry.KeyName.substr(Prefix.size()) + " " +
                      (entry.HasUsageData ? std::to_string(entry.UseCount) : "-"));
    return own;
  }

  const std::string Prefix = "QuillmereWow64Test-" + std::to_string(GetCurrentProcessId()) + "-";
  std::set<std::pair<REGSAM, std::string>> Written;
  MessageBoxCatcher Boxes;
};

TEST_F(Wow64ScanTest, SixtyFourBitRegistrationsFollowTheThirtyTwoBitOnesWithTheUsageDataOfTheirOwnView) {
  Register(View64, "A");
  Register(View32, "Z");
  Register(View32, "Both");
  Register(View64, "Both");
  WriteUsage(View32, "Both", 3);
  WriteUsage(View64, "Both", 64);
  WriteUsage(View32, "A", 5);

  EXPECT_EQ((Texts{"32 Both 3", "32 Z -", "64 A -", "64 Both 64"}), ScanOwn());
}

TEST_F(Wow64ScanTest, RemovingAnEntryDeletesItInItsOwnViewOnly) {
  for (REGSAM removed : {View64, View32}) {
    SCOPED_TRACE(removed == View64 ? "64-bit entry removed" : "32-bit entry removed");
    Register(View32, "Twin");
    Register(View64, "Twin");
    ASSERT_EQ((Texts{"32 Twin -", "64 Twin -"}), ScanOwn());
    for (const auto& entry : ScanInventory("", false))
      if (entry.KeyName == Prefix + "Twin" && entry.View == removed) RemoveEntry(entry);
    EXPECT_EQ(Texts{removed == View64 ? "32 Twin -" : "64 Twin -"}, ScanOwn());
  }
  EXPECT_TRUE(Boxes.Boxes().empty());
}

}  // namespace
