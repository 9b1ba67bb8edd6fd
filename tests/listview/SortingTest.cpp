#include "listview/Sorting.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "inventory/ProgramEntry.h"
#include "listview/Comparisons.h"
#include "support/AppSession.h"
#include "support/TestData.h"

namespace {

using Titles = std::vector<std::string>;
const int64_t GiB = 1024ll * 1024 * 1024;

std::string UpperCased(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

TEST(ComparisonsTest, TheNameOrderIsThatOfUpperCasedCopiesComparedAsUnsignedBytes) {
  std::vector<std::string> samples = {""};
  for (int byte = 1; byte < 256; ++byte) samples.push_back(std::string(1, static_cast<char>(byte)));
  const char alphabet[] = {'a', 'A', 'z', 'Z', '@', '[', '_', '`', '{', '0', '\x80', '\xC4', '\xE4', '\xFF'};
  for (char first : alphabet)
    for (char second : alphabet) samples.push_back({first, second});
  for (const std::string& first : samples)
    for (const std::string& second : samples) {
      const int expected = UpperCased(first).compare(UpperCased(second));
      ASSERT_EQ((expected > 0) - (expected < 0), CompareIgnoringAsciiCase(first, second))
          << '"' << first << "\" and \"" << second << '"';
    }
}

class SortingTest : public AppTest {
 protected:
  static void AddProgram(const std::string& title, const std::string& publisher = "") {
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, title,
                                     {{"DisplayName", title}, {"Publisher", publisher}, {"UninstallString", "u"}});
  }
  static void SetEstimatedSize(const std::string& key, DWORD kilobytes) {
    RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey(key), "EstimatedSize", kilobytes);
  }
  static void SetUsage(const std::string& key, const UsageRecord& record) {
    RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, key, record);
  }

  // A press and release of the left button in the middle of the header item.
  static void ClickHeader(int column) {
    HWND header = ProgramList.GetHeader();
    RECT item = {};
    ASSERT_TRUE(SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item)));
    const LPARAM middle = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageA(header, WM_LBUTTONUP, 0, middle);
    PumpMessages();
  }
  static LPARAM EntryOf(const std::string& title) {
    for (ProgramEntry& entry : ProgramInventory)
      if (Title(entry) == title) return reinterpret_cast<LPARAM>(&entry);
    ADD_FAILURE() << title << " is not in the inventory";
    static ProgramEntry none;
    return reinterpret_cast<LPARAM>(&none);
  }
  static Titles Reversed(const Titles& titles) { return Titles(titles.rbegin(), titles.rend()); }
};

TEST_F(SortingTest, AHeaderClickSortsAscendingAndASecondOneDescending) {
  AddProgram("sizeless");
  AddProgram("Small", "acme");
  SetEstimatedSize("Small", 1);
  AddProgram("Three gigabytes", "Zeta");
  SetUsage("Three gigabytes", UsageOf(3 * GiB, 1));
  AddProgram("Five gigabytes", "\xC4pfel");
  SetUsage("Five gigabytes", UsageOf(5 * GiB, 1));
  AddProgram("Four terabytes", "Beta");
  SetEstimatedSize("Four terabytes", 0xFFFFFFFF);
  StartUp();
  const Titles byName = {"Five gigabytes", "Four terabytes", "sizeless", "Small", "Three gigabytes"};
  const Titles bySize = {"sizeless", "Small", "Three gigabytes", "Five gigabytes", "Four terabytes"};
  ASSERT_EQ(byName, ListTitles());

  ClickHeader(0);  // the start-up order is already by name, ascending
  EXPECT_EQ(Reversed(byName), ListTitles());
  ClickHeader(1);
  EXPECT_EQ(bySize, ListTitles());
  ClickHeader(1);
  EXPECT_EQ(Reversed(bySize), ListTitles());
  ClickHeader(2);  // bytes with case: the empty publisher first, capitals before small letters
  EXPECT_EQ((Titles{"sizeless", "Four terabytes", "Three gigabytes", "Small", "Five gigabytes"}), ListTitles());
  EXPECT_EQ(2, AppSettings.SortColumn);
  EXPECT_EQ(1, AppSettings.SortAscending);
}

TEST_F(SortingTest, ProgramsWithoutUsageDataComeFirstByFrequencyAndByDate) {
  AppSettings.ShowFrequencyColumn = 1;
  AppSettings.ShowLastUsedColumn = 1;
  AddProgram("No data");
  AddProgram("Unknown");
  SetUsage("Unknown", UsageOf(1, -1, FileTimeOf(2001, 6, 1)));
  AddProgram("Zero");
  SetUsage("Zero", UsageOf(1, 0, FileTimeOf(2022, 6, 1)));
  AddProgram("Twelve");
  SetUsage("Twelve", UsageOf(1, 12, FileTimeOf(2010, 6, 1)));
  StartUp();

  ClickHeader(3);
  const Titles byFrequency = ListTitles();
  EXPECT_EQ((Titles{"Zero", "Twelve"}), Titles(byFrequency.begin() + 2, byFrequency.end()));
  EXPECT_EQ(0, CompareEntries(EntryOf("No data"), EntryOf("Unknown"), 3)) << "no usage data ties with an unknown count";
  ClickHeader(4);
  EXPECT_EQ((Titles{"No data", "Unknown", "Twelve", "Zero"}), ListTitles());
}

}  // namespace
