// This test writes to the real HKEY_LOCAL_MACHINE of its throwaway 64-bit Wine prefix: redirection
// by RegOverridePredefKey does not separate the 32-bit and the 64-bit registry views. It refuses to
// run anywhere but under Wine.
#include <gtest/gtest.h>

#include "actions/RemoveEntry.h"
#include "inventory/InventoryScan.h"
#include "support/AppSession.h"

namespace {

TEST(Wow64Test, SixtyFourBitRegistrationsFollowWithTheUsageDataOfTheirViewAndAreRemovedInItOnly) {
  if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) GTEST_SKIP() << "runs only under Wine";
  ASSERT_TRUE(RunsUnderWow64()) << "needs a 64-bit Wine prefix";
  MessageBoxCatcher boxes;
  const std::string prefix = "QuillmereWow64Test-" + std::to_string(GetCurrentProcessId()) + "-";
  std::vector<std::pair<REGSAM, std::string>> written;
  // A registration of this test in view, with a usage record when useCount is not negative.
  const auto add = [&](REGSAM view, const std::string& name, int32_t useCount) {
    written.push_back({view, UninstallPath + prefix + name});
    RegistrySandbox::Write(HKEY_LOCAL_MACHINE, written.back().second, "UninstallString", REG_SZ, "u", view);
    if (useCount < 0) return;
    written.push_back({view, ArpCachePath + prefix + name});
    RegistrySandbox::Write(HKEY_LOCAL_MACHINE, written.back().second, "SlowInfoCache", REG_BINARY,
                           UsageRecord(0, useCount), view);
  };
  // "<32|64> <name> <use count, or - without usage data>" of this test's registrations, in scan
  // order; the one described as removed is removed.
  const auto scan = [&](const std::string& removed = "") {
    Texts own;
    for (const auto& entry : ScanInventory("", false)) {
      if (entry.KeyName.rfind(prefix, 0) != 0) continue;
      const std::string described =
          (entry.View == KEY_WOW64_64KEY ? "64 " : "32 ") + entry.KeyName.substr(prefix.size());
      if (described == removed) RemoveEntry(entry);
      own.push_back(described + " " + (entry.HasUsageData ? std::to_string(entry.UseCount) : "-"));
    }
    return own;
  };
  add(KEY_WOW64_64KEY, "A", -1);
  add(KEY_WOW64_32KEY, "Twin", 3);
  add(KEY_WOW64_64KEY, "Twin", 64);
  EXPECT_EQ((Texts{"32 Twin 3", "64 A -", "64 Twin 64"}), scan("64 Twin"));
  EXPECT_EQ((Texts{"32 Twin 3", "64 A -"}), scan());
  add(KEY_WOW64_64KEY, "Twin", 64);
  scan("32 Twin");
  EXPECT_EQ((Texts{"64 A -", "64 Twin 64"}), scan());
  EXPECT_EQ(Texts{}, boxes.Boxes);
  for (const auto& [view, path] : written) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != 0) continue;
    RegDeleteKeyA(key, "");  // an empty name deletes the key itself
    RegCloseKey(key);
  }
}

}  // namespace
