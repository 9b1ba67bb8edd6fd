#include "listview/IconLocation.h"

#include <gtest/gtest.h>

namespace {

void ExpectLocation(const std::string& value, const std::string& path, int index) {
  IconLocation location = ParseIconLocation(value);
  EXPECT_EQ(path, location.Path) << value;
  EXPECT_EQ(index, location.Index) << value;
}

TEST(IconLocationTest, TheNumberAfterTheLastCommaCountsOnlyWhenItIsAWholeInteger) {
  ExpectLocation("C:\\app.exe,2", "C:\\app.exe", 2);
  ExpectLocation("C:\\app.exe,-2", "C:\\app.exe", 2);
  ExpectLocation("C:\\app.exe,+2", "C:\\app.exe", 2);
  ExpectLocation("C:\\app.exe, 2 ", "C:\\app.exe", 2);
  ExpectLocation("C:\\app.exe,\t7\r\n", "C:\\app.exe", 7);
  ExpectLocation("C:\\app.exe,2x", "C:\\app.exe", 0);
  ExpectLocation("C:\\app.exe,2 2", "C:\\app.exe", 0);
  ExpectLocation("C:\\app.exe,", "C:\\app.exe", 0);
  ExpectLocation("C:\\app.exe, ", "C:\\app.exe", 0);
  ExpectLocation("C:\\app.exe,-", "C:\\app.exe", 0);
  ExpectLocation("C:\\app.exe,0x10", "C:\\app.exe", 0);
}

TEST(IconLocationTest, OnlyTheLastCommaSplits) {
  ExpectLocation("C:\\a,b\\c,d.exe,3", "C:\\a,b\\c,d.exe", 3);
  ExpectLocation("C:\\a,b\\app.exe", "C:\\a", 0);  // a comma in a path without a number still splits
  ExpectLocation("\"C:\\Program Files\\App\\app.exe\",1", "\"C:\\Program Files\\App\\app.exe\"", 1);
}

TEST(IconLocationTest, AValueWithoutCommaIsAPathAlone) {
  ExpectLocation("%SystemRoot%\\app.exe", "%SystemRoot%\\app.exe", 0);
  ExpectLocation("", "", 0);
}

TEST(IconLocationTest, NumbersOutside32BitsGiveZero) {
  ExpectLocation("a.exe,2147483647", "a.exe", 2147483647);
  ExpectLocation("a.exe,-2147483647", "a.exe", 2147483647);
  ExpectLocation("a.exe,2147483648", "a.exe", 0);
  ExpectLocation("a.exe,-2147483648", "a.exe", 0);
  ExpectLocation("a.exe,99999999999999999999", "a.exe", 0);
}

}  // namespace
