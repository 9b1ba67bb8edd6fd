#include <functional>
#include <gtest/gtest.h>
#include <utility>

#include "actions/ResourceIds.h"
#include "actions/WindowObjects.h"
#include "inventory/ProgramEntry.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/RegistryCalls.h"

namespace {

using Texts = std::vector<std::string>;
ApiHook* QueryHook = nullptr;
bool FailureDue = false, SizeGiven = false;
std::function<void()> WhenTheScanGoesOn;  // at the first registry query after the failure

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
  return QueryHook->Original<decltype(&QueryFailingOnce)>()(key, name, reserved, type, data, size);
}

using ScanDeferralTest = AppTest;

TEST_F(ScanDeferralTest, RequestsDuringAnErrorBoxUseTheLastWholeScanAndRescanOnceAfterIt) {
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "alpha",
                                   {{"DisplayName", "Alpha"}, {"UninstallString", "a.exe"}, {"Publisher", "Acme"}});
  StartUp();
  Register(HKEY_LOCAL_MACHINE, "gamma", "Gamma");
  RegistryCalls calls;
  ApiHook failing("ADVAPI32.dll", "RegQueryValueExA", reinterpret_cast<void*>(QueryFailingOnce));
  QueryHook = &failing;
  FailureDue = true;  // the next scan's read of Alpha's publisher: its error box opens mid-scan
  int opensWhileOpen = -1;
  Boxes.WhileOpen([&](const CaughtMessageBox&) {
    opensWhileOpen = calls.OpensOf(UninstallPath);
    for (UINT command : {IDM_COLUMN_SIZE, IDM_REFRESH, IDM_REFRESH})
      PostMessageA(MainWindow.GetHandle(), WM_COMMAND, command, 0);
    for (int down = 0; down < 2; ++down) PostMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
  });
  Texts titlesDuringTheBox;
  WhenTheScanGoesOn = [&] { titlesDuringTheBox = ListTitles(); };

  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  PumpMessages();

  EXPECT_EQ((Texts{"Error while retreiving a registry value"}), Boxes.Texts());
  EXPECT_EQ((Texts{"Alpha"}), titlesDuringTheBox) << "rebuilt from the last whole scan";
  // The box opens in the first scan's pass over HKEY_CURRENT_USER; the two requests made meanwhile run as one scan.
  EXPECT_EQ((std::vector<int>{1, 4}), (std::vector<int>{opensWhileOpen, calls.OpensOf(UninstallPath)}));
  const Texts now{"Alpha", "Gamma"};
  EXPECT_EQ(now, ListTitles());
  ASSERT_EQ(now.size(), ProgramInventory.size());
  for (int item = 0; item < 2; ++item) {
    auto entry = reinterpret_cast<const ProgramEntry*>(ProgramList.GetItemParam(item));
    ASSERT_TRUE(entry >= ProgramInventory.data() && entry < ProgramInventory.data() + 2) << item;
    EXPECT_EQ(now[item], Title(*entry));
  }
  EXPECT_EQ((Texts{"Application", "Company"}), ColumnHeaders());
  EXPECT_EQ("Acme", CellText(0, 1)) << "read again by the second scan";
  EXPECT_EQ(ListTitles().at(SelectedIndex()), DetailsTitle.GetText());
}

}  // namespace
