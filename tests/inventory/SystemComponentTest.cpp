#include <gtest/gtest.h>

#include "inventory/InventoryScan.h"
#include "support/AppSession.h"

namespace {

using SystemComponentTest = RegistryTest;

TEST_F(SystemComponentTest, OnlyTheDWordOneHidesARegistrationAndOnlyUntilSystemComponentsAreShown) {
  RegistrySandbox::Register(HKEY_LOCAL_MACHINE, "Part", {"UninstallString=u", "SystemComponent=#1"});
  RegistrySandbox::Register(HKEY_LOCAL_MACHINE, "Two", {"UninstallString=u", "SystemComponent=#2"});
  RegistrySandbox::Register(HKEY_LOCAL_MACHINE, "Text", {"UninstallString=u", "SystemComponent=1"});
  RegistrySandbox::Register(HKEY_LOCAL_MACHINE, "Wide", {"UninstallString=u"});
  RegistrySandbox::Write(HKEY_LOCAL_MACHINE, UninstallPath + std::string("Wide"), "SystemComponent", REG_QWORD,
                         std::string("\1\0\0\0\0\0\0\0", 8));
  const auto listed = [](bool showSystemComponents) {
    Texts names;
    for (const ProgramEntry& entry : ScanInventory("", showSystemComponents)) names.push_back(entry.KeyName);
    return names;
  };
  EXPECT_EQ((Texts{"Text", "Two", "Wide"}), listed(false));
  EXPECT_EQ((Texts{"Part", "Text", "Two", "Wide"}), listed(true));
  EXPECT_EQ((Texts{"Text", "Two", "Wide"}), listed(false)) << "from what the last scan kept";
}

}  // namespace
