#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "actions/Settings.h"
#include "actions/WindowObjects.h"
#include "support/AppSession.h"
#include "support/TestData.h"

namespace {

using Titles = std::vector<std::string>;

class SortingTest : public AppTest {
 protected:
  static void AddProgram(const std::string& title, const std::string& publisher = "", DWORD kilobytes = 0,
                         const UsageRecord& usage = UsageRecord()) {
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, title,
                                     {{"DisplayName", title}, {"Publisher", publisher}, {"UninstallString", "u"}});
    if (kilobytes) RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey(title), "EstimatedSize", kilobytes);
    if (usage.ProgramSize) RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, title, usage);
  }

  // A press and release of the left button in the middle of the header item.
  static void ClickHeader(int column) {
    RECT item = {};
    ASSERT_TRUE(SendMessageA(ProgramList.GetHeader(), HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item)));
    const LPARAM middle = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageA(ProgramList.GetHeader(), WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageA(ProgramList.GetHeader(), WM_LBUTTONUP, 0, middle);
    PumpMessages();
  }
};

TEST_F(SortingTest, AHeaderClickSortsAscendingAndASecondOneDescending) {
  AppSettings.ShowFrequencyColumn = AppSettings.ShowLastUsedColumn = 1;
  AddProgram("sizeless");
  AddProgram("Small", "acme", 1);
  AddProgram("Three gigabytes", "Zeta", 0, UsageOf(3ll << 30, 12, FileTimeOf(2010, 6, 1)));
  AddProgram("Five gigabytes", "Äpfel", 0, UsageOf(5ll << 30, 0, FileTimeOf(2022, 6, 1)));
  AddProgram("Four terabytes", "Beta", 0, UsageOf(4ll << 40, -1, FileTimeOf(2001, 6, 1)));
  StartUp();
  const Titles byName = {"Five gigabytes", "Four terabytes", "sizeless", "Small", "Three gigabytes"};
  const Titles bySize = {"sizeless", "Small", "Three gigabytes", "Five gigabytes", "Four terabytes"};
  ASSERT_EQ(byName, ListTitles());

  ClickHeader(0);  // the start-up order is already by name, ascending
  EXPECT_EQ(Titles(byName.rbegin(), byName.rend()), ListTitles());
  ClickHeader(1);
  EXPECT_EQ(bySize, ListTitles());
  ClickHeader(1);
  EXPECT_EQ(Titles(bySize.rbegin(), bySize.rend()), ListTitles());
  ClickHeader(2);  // bytes with case: the empty publisher first, capitals before small letters
  EXPECT_EQ((Titles{"sizeless", "Four terabytes", "Three gigabytes", "Small", "Five gigabytes"}), ListTitles());
  EXPECT_EQ((std::vector<int>{2, 1}), (std::vector<int>{AppSettings.SortColumn, AppSettings.SortAscending}));
  // Programs without usage data come first, an unknown use count with them.
  ClickHeader(3);
  Titles sorted = ListTitles();
  EXPECT_EQ((Titles{"Five gigabytes", "Three gigabytes"}), Titles(sorted.begin() + 3, sorted.end()));
  ClickHeader(4);
  sorted = ListTitles();
  EXPECT_EQ((Titles{"Four terabytes", "Three gigabytes", "Five gigabytes"}), Titles(sorted.begin() + 2, sorted.end()));
}

}  // namespace
