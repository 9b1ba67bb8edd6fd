// A scan requested while a scan runs (from the modal loop of a registry error box) waits for the
// running scan and then runs once; the list never points at entries that are gone.
#include "app/Scan.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/MainWindow.h"
#include "app/resources/ResourceIds.h"
#include "inventory/ProgramEntry.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/RegistryCalls.h"
#include "support/TestData.h"

namespace {

using Texts = std::vector<std::string>;

using QueryValue = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
QueryValue NextQuery = nullptr;
bool FailureDue = false;
bool SizeGiven = false;
// Runs at the first registry query after the failure: the running scan goes on from there.
std::function<void()> WhenTheScanGoesOn;

// Once armed, a read of a publisher's data fails after its size was learned: the first read
// with a buffer is told that the data needs more room, the next one fails.
LONG WINAPI QueryFailingOnce(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (FailureDue && data && name && std::string("Publisher") == name) {
    if (!std::exchange(SizeGiven, true)) {
      if (type) *type = REG_SZ;
      *size = 4096;
      return ERROR_MORE_DATA;
    }
    FailureDue = false;
    return ERROR_ACCESS_DENIED;
  }
  if (!FailureDue && WhenTheScanGoesOn) std::exchange(WhenTheScanGoesOn, nullptr)();
  return NextQuery(key, name, reserved, type, data, size);
}

using ScanDeferralTest = AppTest;

TEST_F(ScanDeferralTest, RequestsDuringAnErrorBoxUseTheLastWholeScanAndRescanOnceAfterIt) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "alpha",
                                   {{"DisplayName", "Alpha"}, {"UninstallString", "a.exe"}, {"Publisher", "Acme"}});
  Register(HKEY_CURRENT_USER, "beta", "Beta");
  Register(HKEY_LOCAL_MACHINE, "gamma", "Gamma");
  StartUp();
  Register(HKEY_LOCAL_MACHINE, "delta", "Delta");
  RegistrySandbox::DeleteTree(HKEY_CURRENT_USER, UninstallKey("beta"));
  RegistryCalls calls;
  ApiHook failing("ADVAPI32.dll", "RegQueryValueExA", reinterpret_cast<void*>(QueryFailingOnce));
  ASSERT_TRUE(failing.Installed());
  NextQuery = failing.Original<QueryValue>();
  FailureDue = true;  // the next scan's read of Alpha's publisher: its error box opens mid-scan
  int rootOpensWhileOpen = -1;
  Boxes.WhileOpen([&](const CaughtMessageBox&) {
    rootOpensWhileOpen = calls.OpensOf(UninstallPath);
    PostMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_COLUMN_SIZE, 0);
    PostMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
    PostMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  });
  Texts titlesDuringTheBox;
  WhenTheScanGoesOn = [&] { titlesDuringTheBox = ListTitles(); };

  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  PumpMessages();

  EXPECT_EQ((Texts{"Error while retreiving a registry value"}), Boxes.Texts());
  EXPECT_EQ(1, rootOpensWhileOpen) << "the box opens in the first scan's pass over HKEY_CURRENT_USER";
  EXPECT_EQ((Texts{"Alpha", "Beta", "Gamma"}), titlesDuringTheBox) << "rebuilt from the last whole scan";
  EXPECT_EQ(4, calls.OpensOf(UninstallPath)) << "the two requests made meanwhile run as one scan, after the first";
  // The list and the inventory are the outcome of one whole scan of the registry as it is now.
  const Texts now{"Alpha", "Delta", "Gamma"};
  EXPECT_EQ(now, ListTitles());
  ASSERT_EQ(now.size(), ProgramInventory.size());
  for (int item = 0; item < 3; ++item) {
    auto entry = reinterpret_cast<const ProgramEntry*>(ProgramList.GetItemParam(item));
    ASSERT_TRUE(entry >= ProgramInventory.data() && entry < ProgramInventory.data() + 3) << item;
    EXPECT_EQ(now[item], Title(*entry));
  }
  EXPECT_EQ("3 applications", StatusText());
  EXPECT_EQ((Texts{"Application", "Company"}), ColumnHeaders());
  EXPECT_EQ("Acme", CellText(0, 1)) << "read again by the second scan";
  ASSERT_NE(-1, SelectedIndex());
  EXPECT_EQ(ListTitles()[SelectedIndex()], WindowText(DetailsTitle.GetHandle()));
}

}  // namespace
