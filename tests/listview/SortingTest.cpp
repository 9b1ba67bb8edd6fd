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
#include "app/resources/ResourceIds.h"
#include "inventory/ProgramEntry.h"
#include "listview/Comparisons.h"
#include "listview/ListColumns.h"
#include "support/AppSession.h"

namespace {

const HKEY Machine = HKEY_LOCAL_MACHINE;
const int64_t GiB = 1024ll * 1024 * 1024;

using Titles = std::vector<std::string>;

int Sign(int value) { return (value > 0) - (value < 0); }

// The name order by its definition: upper-cased copies compared as unsigned bytes.
int ReferenceNameOrder(std::string first, std::string second) {
  for (char& c : first) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (char& c : second) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return Sign(first.compare(second));
}

std::vector<std::string> SampleStrings() {
  std::vector<std::string> samples = {""};
  for (int byte = 1; byte < 256; ++byte) samples.push_back(std::string(1, static_cast<char>(byte)));
  const char alphabet[] = {'a', 'A', 'z', 'Z', '@', '[', '_', '`', '{', '0', '\x80', '\xC4', '\xE4', '\xFF'};
  for (char first : alphabet)
    for (char second : alphabet) samples.push_back({first, second});
  return samples;
}

TEST(ComparisonsTest, TheNameOrderIsThatOfUpperCasedCopiesComparedAsUnsignedBytes) {
  const std::vector<std::string> samples = SampleStrings();
  for (const std::string& first : samples)
    for (const std::string& second : samples)
      ASSERT_EQ(ReferenceNameOrder(first, second), CompareIgnoringAsciiCase(first, second))
          << '"' << first << "\" and \"" << second << '"';
}

TEST(ComparisonsTest, TheCompanyOrderComparesUnsignedBytesWithCase) {
  EXPECT_EQ(-1, CompareBytes("Zeta", "acme"));
  EXPECT_EQ(1, CompareBytes("\x80", "z"));
  EXPECT_EQ(-1, CompareBytes("", "A"));
  EXPECT_EQ(-1, CompareBytes("Ab", "Abc"));
  EXPECT_EQ(0, CompareBytes("Same", "Same"));
  EXPECT_EQ(1, CompareBytes("b", "B"));
}

TEST(ComparisonsTest, NumbersCompareIn64Bits) {
  EXPECT_EQ(-1, CompareNumbers(3 * GiB, 5 * GiB));
  EXPECT_EQ(1, CompareNumbers(4 * GiB, 1024));
  EXPECT_EQ(-1, CompareNumbers(-1, 0));
  EXPECT_EQ(0, CompareNumbers(7, 7));
}

class SortingTest : public AppTest {
 protected:
  static void AddProgram(const std::string& key, std::vector<std::pair<std::string, std::string>> values) {
    values.push_back({"UninstallString", "uninstall.exe"});
    RegistrySandbox::AddRegistration(Machine, key, values);
  }
  static void AddNamed(const std::string& title) { AddProgram(title, {{"DisplayName", title}}); }
  static void AddPublished(const std::string& title, const std::string& publisher) {
    AddProgram(title, {{"DisplayName", title}, {"Publisher", publisher}});
  }
  static void SetEstimatedSize(const std::string& key, DWORD kilobytes) {
    RegistrySandbox::WriteDword(Machine, UninstallPath + key, "EstimatedSize", kilobytes);
  }
  static void SetUsage(const std::string& key, int64_t programSize, int32_t useCount, FILETIME lastUsed = {0, 0}) {
    UsageRecord record;
    record.ProgramSize = programSize;
    record.UseCount = useCount;
    record.LastUsedLow = lastUsed.dwLowDateTime;
    record.LastUsedHigh = lastUsed.dwHighDateTime;
    RegistrySandbox::WriteUsageRecord(Machine, key, record);
  }

  // What the list control tells its parent when a header is clicked.
  static void ClickHeader(int column) {
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = ProgramList.GetHandle();
    click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(ProgramList.GetHandle()));
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(MainWindow.GetHandle(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  }

  // A press and release of the left button in the middle of the header item.
  static void ClickRealHeader(int column) {
    HWND header = ProgramList.GetHeader();
    RECT item = {};
    ASSERT_TRUE(SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item)));
    const LPARAM middle = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageA(header, WM_LBUTTONUP, 0, middle);
    PumpMessages();
  }

  static ProgramEntry& EntryTitled(const std::string& title) {
    for (ProgramEntry& entry : ProgramInventory)
      if (Title(entry) == title) return entry;
    ADD_FAILURE() << title << " is not in the inventory";
    static ProgramEntry none;
    return none;
  }
  static int Compare(const std::string& first, const std::string& second, int column) {
    return CompareEntries(reinterpret_cast<LPARAM>(&EntryTitled(first)), reinterpret_cast<LPARAM>(&EntryTitled(second)),
                          column);
  }
  static Titles Reversed(Titles titles) { return Titles(titles.rbegin(), titles.rend()); }
};

TEST_F(SortingTest, TheFirstPopulationSortsByNameIgnoringOnlyTheCaseOfAsciiLetters) {
  for (const char* title : {"zeta", "\xE4" "a", "Beta", "_under", "Be", "[bracket", "alpha", "\xC4" "b"}) AddNamed(title);
  AddProgram("Kilo key", {});
  AddProgram("quiet", {{"QuietDisplayName", "Quiet name"}});
  StartUp();

  EXPECT_EQ((Titles{"alpha", "Be", "Beta", "Kilo key", "Quiet name", "zeta", "[bracket", "_under", "\xC4" "b",
                    "\xE4" "a"}),
            ListTitles());
  EXPECT_EQ(0, AppSettings.SortColumn);
  EXPECT_EQ(1, AppSettings.SortAscending);
}

TEST_F(SortingTest, TitlesThatDifferOnlyInTheCaseOfAsciiLettersTie) {
  AddNamed("Alpha Tool");
  AddProgram("second", {{"DisplayName", "ALPHA tOOL"}});
  AddNamed("alpha tool!");
  StartUp();

  EXPECT_EQ(0, Compare("Alpha Tool", "ALPHA tOOL", 0));
  EXPECT_EQ(-1, Compare("ALPHA tOOL", "alpha tool!", 0));
  EXPECT_EQ("alpha tool!", ListTitles().back());
}

TEST_F(SortingTest, ClicksOnAHeaderSortAscendingThenDescendingAndAnotherHeaderAscendingAgain) {
  AddPublished("Small", "Delta");
  SetEstimatedSize("Small", 1);
  AddPublished("Five gigabytes", "Alpha");
  SetUsage("Five gigabytes", 5 * GiB, 1);
  AddPublished("Three gigabytes", "Echo");
  SetUsage("Three gigabytes", 3 * GiB, 1);
  AddPublished("Sizeless", "Bravo");
  AddPublished("Four terabytes", "Charlie");
  SetEstimatedSize("Four terabytes", 0xFFFFFFFF);
  StartUp();
  const Titles bySize = {"Sizeless", "Small", "Three gigabytes", "Five gigabytes", "Four terabytes"};

  ClickHeader(1);
  EXPECT_EQ(bySize, ListTitles());
  EXPECT_EQ(1, AppSettings.SortColumn);
  EXPECT_EQ(1, AppSettings.SortAscending);

  ClickHeader(1);
  EXPECT_EQ(Reversed(bySize), ListTitles());
  EXPECT_EQ(0, AppSettings.SortAscending);

  ClickHeader(2);
  EXPECT_EQ((Titles{"Five gigabytes", "Sizeless", "Four terabytes", "Small", "Three gigabytes"}), ListTitles());
  EXPECT_EQ(2, AppSettings.SortColumn);
  EXPECT_EQ(1, AppSettings.SortAscending);
}

TEST_F(SortingTest, AClickOnTheRealHeaderSortsByThatColumn) {
  AddPublished("Beta", "Zulu");
  AddPublished("Alpha", "Yankee");
  AddPublished("Gamma", "Xray");
  StartUp();

  ClickRealHeader(2);
  EXPECT_EQ((Titles{"Gamma", "Alpha", "Beta"}), ListTitles());
  ClickRealHeader(2);
  EXPECT_EQ((Titles{"Beta", "Alpha", "Gamma"}), ListTitles());
}

TEST_F(SortingTest, RightAfterStartUpAClickOnApplicationSortsDescending) {
  for (const char* title : {"beta", "Alpha", "Gamma"}) AddNamed(title);
  StartUp();

  ClickHeader(0);
  EXPECT_EQ((Titles{"Gamma", "beta", "Alpha"}), ListTitles());
  EXPECT_EQ(0, AppSettings.SortColumn);
  EXPECT_EQ(0, AppSettings.SortAscending);
}

TEST_F(SortingTest, CompanySortsByBytesWithEmptyPublishersFirst) {
  AddPublished("One", "acme");
  AddPublished("Two", "Zeta Corp");
  AddPublished("Three", "");
  AddNamed("Four");
  AddPublished("Five", "\xC4pfel");
  AddPublished("Six", "Beta");
  StartUp();

  ClickHeader(CompanyColumnIndex);
  Titles titles = ListTitles();
  ASSERT_EQ(6u, titles.size());
  EXPECT_EQ((Titles{"Six", "Two", "One", "Five"}), Titles(titles.begin() + 2, titles.end()));
  EXPECT_EQ(0, Compare("Three", "Four", CompanyColumnIndex));
}

TEST_F(SortingTest, SizesAboveTwoGigabytesSortByTheirWholeValue) {
  AddNamed("Two gigabytes");
  SetUsage("Two gigabytes", 2 * GiB, 1);
  AddNamed("Just under four");
  SetUsage("Just under four", 4 * GiB - 1, 1);
  AddNamed("Just over four");
  SetUsage("Just over four", 4 * GiB + 1, 1);
  AddNamed("Small");
  SetUsage("Small", 1000, 1);
  StartUp();

  ClickHeader(SizeColumnIndex);
  EXPECT_EQ((Titles{"Small", "Two gigabytes", "Just under four", "Just over four"}), ListTitles());
}

TEST_F(SortingTest, FrequencyWithoutUsageDataTiesWithAnUnknownCountAndComesBeforeZero) {
  AppSettings.ShowFrequencyColumn = 1;
  AddNamed("No data");
  AddNamed("Unknown");
  SetUsage("Unknown", 100, -1);
  AddNamed("Zero");
  SetUsage("Zero", 100, 0);
  AddNamed("Twelve");
  SetUsage("Twelve", 100, 12);
  AddNamed("Five");
  SetUsage("Five", 100, 5);
  StartUp();
  ASSERT_EQ(3, FrequencyColumnIndex);

  EXPECT_EQ(0, Compare("No data", "Unknown", FrequencyColumnIndex));
  ClickHeader(FrequencyColumnIndex);
  Titles titles = ListTitles();
  ASSERT_EQ(5u, titles.size());
  EXPECT_EQ((Titles{"Zero", "Five", "Twelve"}), Titles(titles.begin() + 2, titles.end()));

  ClickHeader(FrequencyColumnIndex);
  titles = ListTitles();
  EXPECT_EQ((Titles{"Twelve", "Five", "Zero"}), Titles(titles.begin(), titles.begin() + 3));
}

FILETIME Year(WORD year) {
  SYSTEMTIME date = {};
  date.wYear = year;
  date.wMonth = 6;
  date.wDay = 1;
  FILETIME time = {};
  SystemTimeToFileTime(&date, &time);
  return time;
}

TEST_F(SortingTest, DateSortPutsProgramsWithoutUsageDataFirst) {
  AppSettings.ShowLastUsedColumn = 1;
  AddNamed("Recent");
  SetUsage("Recent", 1, 1, Year(2022));
  AddNamed("Never");
  AddNamed("Old");
  SetUsage("Old", 1, 1, Year(2001));
  AddNamed("Middle");
  SetUsage("Middle", 1, 1, Year(2010));
  StartUp();

  ClickHeader(LastUsedColumnIndex);
  EXPECT_EQ((Titles{"Never", "Old", "Middle", "Recent"}), ListTitles());
}

TEST_F(SortingTest, AfterHidingSizeTheSortPositionKeepsItsNumber) {
  AppSettings.ShowFrequencyColumn = 1;
  AddPublished("Alpha", "Charlie Corp");
  SetUsage("Alpha", 1, 10);
  AddPublished("Beta", "Alpha Corp");
  SetUsage("Beta", 1, 30);
  AddPublished("Gamma", "Bravo Corp");
  SetUsage("Gamma", 1, 20);
  StartUp();
  ClickHeader(2);
  ASSERT_EQ((Titles{"Beta", "Gamma", "Alpha"}), ListTitles());  // by company

  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_COLUMN_SIZE, 0);
  EXPECT_EQ((Titles{"Application", "Company", "Frequency of use"}), ColumnHeaders());
  EXPECT_EQ(1, CompanyColumnIndex);
  EXPECT_EQ(2, FrequencyColumnIndex);
  EXPECT_EQ(2, AppSettings.SortColumn);
  EXPECT_EQ(1, AppSettings.SortAscending);
  EXPECT_EQ((Titles{"Alpha", "Gamma", "Beta"}), ListTitles());  // by frequency, now at position 2
}

TEST_F(SortingTest, ASortPositionThatNoColumnHoldsTiesEveryPair) {
  AppSettings.ShowFrequencyColumn = 1;
  AddPublished("Alpha", "Zulu");
  SetUsage("Alpha", 3 * GiB, 5, Year(2003));
  AddPublished("Beta", "Yankee");
  SetUsage("Beta", 1, 1, Year(2001));
  StartUp();
  ClickHeader(3);  // frequency

  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_COLUMN_FREQUENCY, 0);
  EXPECT_EQ((Titles{"Application", "Size", "Company"}), ColumnHeaders());
  EXPECT_EQ(3, AppSettings.SortColumn);
  EXPECT_EQ(0, Compare("Alpha", "Beta", 3));
  EXPECT_EQ(0, Compare("Beta", "Alpha", 3));
  EXPECT_EQ(2u, ListTitles().size());
}

TEST_F(SortingTest, DescendingNegatesEveryComparison) {
  AddPublished("Alpha", "Bravo");
  SetEstimatedSize("Alpha", 10);
  AddPublished("Beta", "Alpha");
  SetEstimatedSize("Beta", 20);
  StartUp();

  AppSettings.SortAscending = 0;
  EXPECT_EQ(1, Compare("Alpha", "Beta", 0));
  EXPECT_EQ(-1, Compare("Alpha", "Beta", CompanyColumnIndex));
  EXPECT_EQ(1, Compare("Alpha", "Beta", SizeColumnIndex));
  EXPECT_EQ(0, Compare("Alpha", "Alpha", 0));
}

}  // namespace
