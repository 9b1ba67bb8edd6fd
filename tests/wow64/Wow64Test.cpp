// This test writes to the real HKEY_LOCAL_MACHINE of its throwaway 64-bit Wine prefix: redirection
// by RegOverridePredefKey does not separate the 32-bit and the 64-bit registry views. It refuses to
// run anywhere but under Wine.
#include <gtest/gtest.h>
#include <set>

#include "actions/RemoveEntry.h"
#include "inventory/InventoryScan.h"
#include "support/AppSession.h"

namespace {

const REGSAM View32 = KEY_WOW64_32KEY, View64 = KEY_WOW64_64KEY;

class Wow64Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) GTEST_SKIP() << "runs only under Wine";
    ASSERT_TRUE(RunsUnderWow64()) << "needs a 64-bit Wine prefix";
  }
  void TearDown() override {
    for (const auto& [view, path] : Written) {
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != 0) continue;
      RegDeleteKeyA(key, "");  // an empty name deletes the key itself
      RegCloseKey(key);
    }
  }

  // A registration of this test in view; with a usage record unless useCount is -2.
  void Register(REGSAM view, const std::string& name, int32_t useCount = -2) {
    const std::string registration = UninstallPath + Prefix + name, usage = ArpCachePath + Prefix + name;
    RegistrySandbox::Write(HKEY_LOCAL_MACHINE, registration, "UninstallString", REG_SZ, std::string("u", 2), view);
    Written.insert({view, registration});
    if (useCount == -2) return;
    RegistrySandbox::Write(HKEY_LOCAL_MACHINE, usage, "SlowInfoCache", REG_BINARY, UsageRecord(0, useCount), view);
    Written.insert({view, usage});
  }

  // "<32|64> <name> <use count, or - without usage data>" of this test's registrations, in scan
  // order; the one described as removed is removed.
  Texts ScanOwn(const char* removed = nullptr) const {
    Texts own;
    for (const auto& entry : ScanInventory("", false)) {
      if (entry.Root != HKEY_LOCAL_MACHINE || entry.KeyName.rfind(Prefix, 0) != 0) continue;
      const std::string described = (entry.View == View64   ? "64 "
                                     : entry.View == View32 ? "32 "
                                                            : "? ") +
                                    entry.KeyName.substr(Prefix.size());
      if (removed && described == removed) RemoveEntry(entry);
      own.push_back(described + " " + (entry.HasUsageData ? std::to_string(entry.UseCount) : "-"));
    }
    return own;
  }

  const std::string Prefix = "QuillmereWow64Test-" + std::to_string(GetCurrentProcessId()) + "-";
  std::set<std::pair<REGSAM, std::string>> Written;
  MessageBoxCatcher Boxes;
};

TEST_F(Wow64Test, SixtyFourBitRegistrationsFollowWithTheUsageDataOfTheirViewAndAreRemovedInItOnly) {
  Register(View64, "A");
  Register(View32, "Twin", 3);
  Register(View64, "Twin", 64);
  EXPECT_EQ((Texts{"32 Twin 3", "64 A -", "64 Twin 64"}), ScanOwn("64 Twin"));
  EXPECT_EQ((Texts{"32 Twin 3", "64 A -"}), ScanOwn());
  Register(View64, "Twin", 64);
  ScanOwn("32 Twin");
  EXPECT_EQ((Texts{"64 A -", "64 Twin 64"}), ScanOwn());
  EXPECT_EQ(Texts{}, Boxes.Boxes);
}

}  // namespace
