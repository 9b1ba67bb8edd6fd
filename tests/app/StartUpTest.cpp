#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "support/AppSession.h"

namespace {

using StartUpTest = AppTest;

TEST_F(StartUpTest, TheFirstScanListsTheProgramsSortedByName) {
  Register(HKEY_LOCAL_MACHINE, "b", "Beta Tool");
  Register(HKEY_CURRENT_USER, "a", "alpha editor");
  Register(HKEY_LOCAL_MACHINE, "c", "Gamma");
  StartUp();

  EXPECT_EQ((std::vector<std::string>{"alpha editor", "Beta Tool", "Gamma"}), ListTitles());
  EXPECT_EQ((std::vector<std::string>{"Application", "Size", "Company"}), ColumnHeaders());
  EXPECT_EQ("3 applications", StatusText());
  EXPECT_EQ(0, SelectedIndex());
  // Another test process's window may have become active meanwhile and taken the focus along.
  if (GetActiveWindow() == MainWindow.GetHandle()) {
    EXPECT_EQ(ProgramList.GetHandle(), GetFocus());
  }
  EXPECT_TRUE(Boxes.Boxes().empty());
}

}  // namespace
