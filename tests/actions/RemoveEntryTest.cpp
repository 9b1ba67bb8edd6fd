#include <gtest/gtest.h>

#include "registry/RegistryKey.h"
#include "support/AppSession.h"
#include "ui/ResourceIds.h"

namespace {

using RemoveEntryTest = AppTest;

// Once armed, RegOpenKeyExA fails to open the uninstall key, once.
ApiHook* OpenHook = nullptr;
bool OpenFailureDue = false;
LONG WINAPI FailUninstallKeyOnce(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
  if (OpenFailureDue && path && UninstallPath == std::string(path)) return OpenFailureDue = false, ERROR_ACCESS_DENIED;
  return OpenHook->Original<decltype(RegOpenKeyExA)>()(root, path, options, access, key);
}

TEST_F(RemoveEntryTest, AnEntryGoesWholeWithItsSubkeysAndWhenTheUninstallKeyCannotBeOpenedABoxSaysWhy) {
  RegistrySandbox::Register(HKEY_LOCAL_MACHINE, "Tree", {"DisplayName=Tree", "UninstallString=u"});
  RegistrySandbox::Write(HKEY_LOCAL_MACHINE, UninstallPath + std::string("Tree\\Sub\\Deeper"), "x", REG_SZ, "1");
  RegistrySandbox::Register(HKEY_CURRENT_USER, "Kept", {"DisplayName=Kept", "UninstallString=u"});
  ApiHook open("ADVAPI32.dll", "RegOpenKeyExA", &FailUninstallKeyOnce);
  OpenHook = &open;
  StartUp();
  for (int item : {1, 0}) {  // Tree, then Kept
    Select(item);
    Boxes.Answers = {IDYES};
    OpenFailureDue = item == 0;
    Command(IDM_REMOVE_ENTRY);
  }
  EXPECT_EQ(Texts{"Kept"}, ListTitles());
  CRegistryKey tree;
  EXPECT_FALSE(tree.Open(HKEY_LOCAL_MACHINE, UninstallPath + std::string("Tree"), KEY_READ)) << "deleted whole";
  const auto confirm = [&](const std::string& title) {
    return MessageBoxCatcher::Describe(RemoveQuestion(title), "Quillmere", MB_ICONWARNING | MB_YESNO, "main");
  };
  EXPECT_EQ((Texts{confirm("Tree"), confirm("Kept"),
                   MessageBoxCatcher::Describe("Couldn't remove the entry \"Kept\".\n\nAccess denied.", "Quillmere",
                                               MB_ICONERROR, "main")}),
            Boxes.Boxes);
}

}  // namespace
