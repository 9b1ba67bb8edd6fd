#include "inventory/Formatting.h"

#include <gtest/gtest.h>

#include "inventory/DateFormatting.h"
#include "support/TestData.h"

namespace {

TEST(FormatSizeTest, ChoosesUnitAndDecimalsBeforeRounding) {
  const std::pair<uint64_t, const char*> table[] = {
      {0, ""},
      {1, "1 B"},
      {999, "999 B"},
      {1000, "0.98 KB"},
      {1023, "1.00 KB"},
      {1024, "1 KB"},
      {1536, "1.50 KB"},
      {10239, "10.00 KB"},
      {10240, "10 KB"},
      {50000, "48.8 KB"},
      {102399, "100.0 KB"},
      {150000, "146 KB"},
      {999999, "977 KB"},
      {1000000, "0.95 MB"},
      {1048576, "1 MB"},
      {123456789, "118 MB"},
      {999999999, "954 MB"},
      {1000000000, "0.93 GB"},
      {4294967295u, "4 GB"},
  };
  for (const auto& row : table) EXPECT_EQ(row.second, FormatSize(row.first)) << row.first;
}

TEST(FormatSizeTest, SizesOf4GiBAndMoreAreNotWrapped) {
  EXPECT_EQ("4 GB", FormatSize(4294967296ull));
  EXPECT_EQ("4.66 GB", FormatSize(5000000000ull));
  EXPECT_EQ("16.5 GB", FormatSize(17716740096ull));
  EXPECT_EQ("931 GB", FormatSize(1000000000000ull));
}

TEST(FormatUseCountTest, WordFollowsTheCountInParentheses) {
  EXPECT_EQ("rarely (0)", FormatUseCount(0));
  EXPECT_EQ("rarely (2)", FormatUseCount(2));
  EXPECT_EQ("occasionally (3)", FormatUseCount(3));
  EXPECT_EQ("occasionally (10)", FormatUseCount(10));
  EXPECT_EQ("frequently (11)", FormatUseCount(11));
  EXPECT_EQ("frequently (4294967294)", FormatUseCount(4294967294u));
}

std::string ShortDate(WORD year, WORD month, WORD day) {
  SYSTEMTIME system = {};
  system.wYear = year;
  system.wMonth = month;
  system.wDay = day;
  char text[64] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &system, nullptr, text, sizeof text);
  return text;
}

TEST(FormatDateTest, ShowsTheStoredDayInTheUsersShortFormat) {
  EXPECT_EQ(ShortDate(2008, 3, 17), FormatDate(FileTimeOf(2008, 3, 17, 23, 30)));
  EXPECT_EQ(ShortDate(1999, 12, 31), FormatDate(FileTimeOf(1999, 12, 31, 0, 0)));
}

TEST(FormatDateTest, OnlyAnAllZeroTimeIsEmpty) {
  EXPECT_EQ("", FormatDate(FILETIME{0, 0}));
  EXPECT_EQ(ShortDate(1601, 1, 1), FormatDate(FILETIME{1, 0}));
  EXPECT_NE("", FormatDate(FILETIME{0, 1}));
}

TEST(FormatDateTest, ATimeThatDoesNotConvertIsEmpty) {
  EXPECT_EQ("", FormatDate(FILETIME{0xFFFFFFFF, 0xFFFFFFFF}));
}

}  // namespace
