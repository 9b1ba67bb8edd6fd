// Writes to the real HKEY_LOCAL_MACHINE of the tests' 64-bit Wine prefix: a redirected root has no views.
#include <gtest/gtest.h>

#include "actions/RemoveEntry.h"
#include "inventory/InventoryScan.h"
#include "registry/RegistryKey.h"
#include "support/AppSession.h"

namespace {

TEST(Wow64Test, SixtyFourBitRegistrationsFollowWithTheUsageDataOfTheirViewAndAreRemovedInItOnly) {
  if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) GTEST_SKIP() << "runs only under Wine";
  ASSERT_TRUE(RunsUnderWow64()) << "needs a 64-bit Wine prefix";
  MessageBoxCatcher boxes;
  wchar_t backup[MAX_PATH];
  GetTempPathW(MAX_PATH, backup);
  wcscat(backup, L"quillmere-wow64-removed.reg");
  const std::string name = "QuillmereWow64Test-" + std::to_string(GetCurrentProcessId());
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    RegistrySandbox::Write(HKEY_LOCAL_MACHINE, UninstallPath + name, "UninstallString", REG_SZ, "u", view);
    RegistrySandbox::Write(HKEY_LOCAL_MACHINE, ArpCachePath + name, "SlowInfoCache", REG_BINARY,
                           UsageRecord(0, view == KEY_WOW64_32KEY ? 32 : 64), view);
  }
  // "<view> <use count>" of this test's registration, in scan order; the one of removedView is removed.
  const auto scan = [&](REGSAM removedView) {
    Texts listed;
    for (const auto& entry : ScanInventory("", false)) {
      if (entry.KeyName != name) continue;
      listed.push_back((entry.View == KEY_WOW64_64KEY ? "64 " : "32 ") + std::to_string(entry.UseCount));
      if (entry.View == removedView) RemoveEntry(entry, backup);
    }
    return listed;
  };
  EXPECT_EQ((Texts{"32 32", "64 64"}), scan(KEY_WOW64_64KEY));
  EXPECT_EQ((Texts{"32 32"}), scan(KEY_WOW64_32KEY));
  EXPECT_EQ(Texts{}, scan(0));
  EXPECT_EQ(Texts{}, boxes.Boxes);
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    CRegistryKey cache;
    if (cache.Open(HKEY_LOCAL_MACHINE, ArpCachePath, KEY_ALL_ACCESS | view)) cache.DeleteSubKey(name, view);
  }
}

}  // namespace
