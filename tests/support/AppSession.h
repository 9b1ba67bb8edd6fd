#pragma once
// The whole program's main window over the test's sandboxed registry. The window is built once per
// test process (its window class registers only once); each test starts from the default settings,
// an empty search box and no selection.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "actions/WindowObjects.h"
#include "support/Gui.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistrySandbox.h"

using Texts = std::vector<std::string>;

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override { PumpMessages(); }

  // What the entry function does before its message loop: the first scan, then the focus on the list.
  static void StartUp();
  // A registration with a DisplayName and an UninstallString.
  static void Register(HKEY root, const std::string& keyName, const std::string& displayName,
                       const std::string& uninstallString = "uninstall.exe") {
    RegistrySandbox::Register(root, keyName, {"DisplayName=" + displayName, "UninstallString=" + uninstallString});
  }
  static Texts ListTitles();
  static std::string CellText(int item, int column);
  static Texts ColumnHeaders();
  static int SelectedIndex() { return ListView_GetNextItem(ProgramList.GetHandle(), -1, LVNI_SELECTED); }
  // Selects the item as a click does (selected and focused), or, with -1, none.
  static void Select(int item);

  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};

// Real keyboard and mouse input: only on the private display that scripts/test starts.
struct RealInputTest : AppTest {
  void SetUp() override;
};
