#pragma once
// The whole program's main window over the test's sandboxed registry. The window is built once
// per test process (its window class can be registered only once); each test starts from the
// default settings, an empty search box and no selection.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/Gui.h"
#include "support/MessageBoxCatcher.h"
#include "support/RegistrySandbox.h"

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // What the entry function does before its message loop: the first scan, then the focus on
  // the program list.
  void StartUp();

  // A registration under root with a DisplayName and an UninstallString.
  static void Register(HKEY root, const std::string& keyName, const std::string& displayName,
                       const std::string& uninstallString = "uninstall.exe");

  static std::vector<std::string> ListTitles();
  static std::string CellText(int item, int column);
  static std::vector<std::string> ColumnHeaders();
  static std::string StatusText();
  static int SelectedIndex();
  static void Select(int item);
  static void Deselect();

  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};
