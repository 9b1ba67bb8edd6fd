#include <gtest/gtest.h>

#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "support/TestData.h"

namespace {

TEST(FormattingTest, SizesChooseUnitAndDecimalsBeforeRoundingAndAreNotWrappedAbove4GiB) {
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
      {4294967296ull, "4 GB"},
      {5000000000ull, "4.66 GB"},
      {17716740096ull, "16.5 GB"},
      {1000000000000ull, "931 GB"},
  };
  for (const auto& row : table) EXPECT_EQ(row.second, FormatSize(row.first)) << row.first;
}

TEST(FormattingTest, UseCountsGiveAWordFollowedByTheCountInParentheses) {
  const std::pair<uint32_t, const char*> table[] = {{0, "rarely (0)"},       {2, "rarely (2)"},
                                                    {3, "occasionally (3)"}, {10, "occasionally (10)"},
                                                    {11, "frequently (11)"}, {4294967294u, "frequently (4294967294)"}};
  for (const auto& row : table) EXPECT_EQ(row.second, FormatUseCount(row.first)) << row.first;
}

std::string ShortDate(WORD year, WORD month, WORD day) {
  const SYSTEMTIME system = {year, month, 0, day, 0, 0, 0, 0};
  char text[64] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &system, nullptr, text, sizeof text);
  return text;
}

TEST(FormattingTest, DatesShowTheStoredDayInTheUsersShortFormatAndOnlyAZeroOrInvalidTimeIsEmpty) {
  EXPECT_EQ(ShortDate(2008, 3, 17), FormatDate(FileTimeOf(2008, 3, 17, 23, 30)));
  EXPECT_EQ(ShortDate(1999, 12, 31), FormatDate(FileTimeOf(1999, 12, 31, 0, 0)));
  EXPECT_EQ(ShortDate(1601, 1, 1), FormatDate(FILETIME{1, 0}));
  EXPECT_NE("", FormatDate(FILETIME{0, 1}));
  EXPECT_EQ("", FormatDate(FILETIME{0, 0}));
  EXPECT_EQ("", FormatDate(FILETIME{0xFFFFFFFF, 0xFFFFFFFF}));
}

}  // namespace
