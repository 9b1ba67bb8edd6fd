#include <gtest/gtest.h>

#include "support/AppSession.h"
#include "ui/Scan.h"

namespace {

// The first scan starts reading before the window exists, with the search box empty: a window that
// scans for another text by then lists what that text finds.
TEST_F(AppTest, AFirstScanStartedEarlyServesOnlyTheSearchItWasStartedFor) {
  Register(HKEY_LOCAL_MACHINE, "a", "Alpha");
  Register(HKEY_LOCAL_MACHINE, "b", "Beta");
  StartFirstScan();
  SearchEdit.SetText("bet");
  StartUp();
  EXPECT_EQ(Texts{"Beta"}, ListTitles());
}

}  // namespace
