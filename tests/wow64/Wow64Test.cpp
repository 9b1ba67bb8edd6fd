// These tests write to the real HKEY_LOCAL_MACHINE of their throwaway 64-bit Wine prefix:
// redirection by RegOverridePredefKey does not separate the 32-bit and the 64-bit registry
// views. They refuse to run anywhere but under Wine.
#include <gtest/gtest.h>

#include <algorithm>

#include "actions/RemoveEntry.h"
#include "inventory/InventoryScan.h"
#include "inventory/UsageCache.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistrySandbox.h"

namespace {

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

class Wow64ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!RunningUnderWine()) GTEST_SKIP() << "writes to HKEY_LOCAL_MACHINE: runs only under Wine";
    ASSERT_TRUE(RunsUnderWow64()) << "needs a 64-bit Wine prefix";
    Prefix = "QuillmereWow64Test-" + std::to_string(GetCurrentProcessId()) + "-";
    // The user's registrations are kept apart; the machine's are the real ones of the prefix.
    UserScratch.reset(new HkcuOnly());
  }

  void TearDown() override {
    for (const auto& written : Written) DeleteMachineKey(written.first, written.second);
  }

  // A machine registration in the given view (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
  void Register(REGSAM view, const std::string& name, const std::string& displayName) {
    const std::string key = Prefix + name;
    WriteMachineValue(view, UninstallPath + key, "DisplayName", REG_SZ, displayName + '\0');
    WriteMachineValue(view, UninstallPath + key, "UninstallString", REG_SZ, std::string("u.exe") + '\0');
  }

  void WriteUsage(REGSAM view, const std::string& name, int32_t useCount) {
    UsageRecord record;
    record.UseCount = useCount;
    WriteMachineValue(view, ArpCachePath + Prefix + name, "SlowInfoCache", REG_BINARY, record.Bytes());
  }

  // The entries of this test's own registrations, in scan order.
  std::vector<ProgramEntry> ScanOwn() const {
    std::vector<ProgramEntry> own;
    for (const auto& entry : ScanInventory("", false))
      if (entry.KeyName.compare(0, Prefix.size(), Prefix) == 0) own.push_back(entry);
    return own;
  }

  static bool MachineKeyExists(REGSAM view, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  std::string Prefix;
  MessageBoxCatcher Boxes;

 private:
  // Redirects HKEY_CURRENT_USER only.
  struct HkcuOnly {
    HkcuOnly() {
      RegCreateKeyExA(HKEY_CURRENT_USER, Path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr);
      RegOverridePredefKey(HKEY_CURRENT_USER, Key);
    }
    ~HkcuOnly() {
      RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
      RegCloseKey(Key);
      RegDeleteKeyA(HKEY_CURRENT_USER, Path().c_str());
    }
    static std::string Path() { return "Software\\QuillmereTests\\Wow64-" + std::to_string(GetCurrentProcessId()); }
    HKEY Key = nullptr;
  };

  void WriteMachineValue(REGSAM view, const std::string& path, const std::string& name, DWORD type,
                         const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                             nullptr, &key, nullptr));
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    if (std::find(Written.begin(), Written.end(), std::make_pair(view, path)) == Written.end())
      Written.emplace_back(view, path);
  }

  static void DeleteMachineKey(REGSAM view, const std::string& path) {
    HKEY parent = nullptr;
    const size_t slash = path.rfind('\\');
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | view, &parent) !=
        ERROR_SUCCESS)
      return;
    RegDeleteKeyA(parent, path.substr(slash + 1).c_str());
    RegCloseKey(parent);
  }

  std::unique_ptr<HkcuOnly> UserScratch;
  std::vector<std::pair<REGSAM, std::string>> Written;
};

TEST_F(Wow64ScanTest, SixtyFourBitRegistrationsFollowTheThirtyTwoBitOnes) {
  Register(KEY_WOW64_64KEY, "A", "Sixty-four A");
  Register(KEY_WOW64_32KEY, "Z", "Thirty-two Z");
  Register(KEY_WOW64_64KEY, "B", "Sixty-four B");

  std::vector<ProgramEntry> entries = ScanOwn();
  ASSERT_EQ(3u, entries.size());
  EXPECT_EQ("Thirty-two Z", entries[0].DisplayName);
  EXPECT_EQ("Sixty-four A", entries[1].DisplayName);
  EXPECT_EQ("Sixty-four B", entries[2].DisplayName);
  EXPECT_EQ(static_cast<REGSAM>(0), entries[0].View);
  EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_64KEY), entries[1].View);
  for (const auto& entry : entries) EXPECT_EQ(HKEY_LOCAL_MACHINE, entry.Root);
}

TEST_F(Wow64ScanTest, ARegistrationInBothViewsIsListedTwiceWithTheUsageDataOfItsOwnView) {
  Register(KEY_WOW64_32KEY, "Both", "In both views");
  Register(KEY_WOW64_64KEY, "Both", "In both views");
  WriteUsage(KEY_WOW64_32KEY, "Both", 3);
  WriteUsage(KEY_WOW64_64KEY, "Both", 64);
  Register(KEY_WOW64_64KEY, "Only64", "Only in the 64-bit view");
  WriteUsage(KEY_WOW64_32KEY, "Only64", 5);

  std::vector<ProgramEntry> entries = ScanOwn();
  ASSERT_EQ(3u, entries.size());
  EXPECT_EQ(static_cast<REGSAM>(0), entries[0].View);
  EXPECT_EQ(3, entries[0].UseCount);
  EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_64KEY), entries[1].View);
  EXPECT_EQ(64, entries[1].UseCount);
  EXPECT_EQ(Prefix + "Only64", entries[2].KeyName);
  EXPECT_EQ(0, entries[2].HasUsageData);
}

TEST_F(Wow64ScanTest, RemovingAnEntryDeletesItInItsOwnViewOnly) {
  for (REGSAM removed : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    SCOPED_TRACE(removed == KEY_WOW64_64KEY ? "64-bit entry removed" : "32-bit entry removed");
    const REGSAM kept = removed == KEY_WOW64_64KEY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    Register(KEY_WOW64_32KEY, "Twin", "Twin");
    Register(KEY_WOW64_64KEY, "Twin", "Twin");
    const std::vector<ProgramEntry> entries = ScanOwn();
    ASSERT_EQ(2u, entries.size());

    RemoveEntry(entries[removed == KEY_WOW64_64KEY ? 1 : 0]);
    EXPECT_FALSE(MachineKeyExists(removed, UninstallPath + Prefix + "Twin"));
    EXPECT_TRUE(MachineKeyExists(kept, UninstallPath + Prefix + "Twin"));
    const std::vector<ProgramEntry> left = ScanOwn();
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ(removed == KEY_WOW64_64KEY ? static_cast<REGSAM>(0) : static_cast<REGSAM>(KEY_WOW64_64KEY), left[0].View);
  }
  EXPECT_TRUE(Boxes.Boxes().empty());
}

}  // namespace
