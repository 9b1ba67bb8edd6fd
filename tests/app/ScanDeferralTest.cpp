// A scan requested while a scan runs (from the modal loop of a registry error box) waits for the
// running scan and then runs once; the list never points at entries that are gone.
#include "app/Scan.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "app/resources/ResourceIds.h"
#include "inventory/ProgramEntry.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/RegistryCalls.h"

namespace {

const char* const ReadFailed = "Error while retreiving a registry value";

using QueryValue = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
QueryValue NextQuery = nullptr;
const std::string FailingValue = "Publisher";
bool FailureDue = false;
bool SizeGiven = false;
// Runs at the first registry query after the failure: the running scan goes on from there.
std::function<void()> WhenTheScanGoesOn;

// Once armed, a read of a publisher's data fails after its size was learned: the first read
// with a buffer is told that the data needs more room, the next one fails.
LONG WINAPI QueryFailingOnce(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (FailureDue && data && name && FailingValue == name) {
    if (!SizeGiven) {
      SizeGiven = true;
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

// Scans counted through the registry: each opens the uninstall key once per root.
class ScanDeferralTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "alpha",
                                     {{"DisplayName", "Alpha"}, {"UninstallString", "a.exe"}, {"Publisher", "Acme"}});
    Register(HKEY_CURRENT_USER, "beta", "Beta");
    Register(HKEY_LOCAL_MACHINE, "gamma", "Gamma");
    StartUp();
    // What only a new scan sees: one more program, one less.
    Register(HKEY_LOCAL_MACHINE, "delta", "Delta");
    RegistrySandbox::DeleteTree(HKEY_CURRENT_USER, std::string(UninstallPath) + "beta");
    Calls = std::make_unique<RegistryCalls>();
  }

  // The next scan's read of the publisher fails once; its error box opens in the middle of it.
  void FailThePublisherReadOnce() {
    Failing = std::make_unique<ApiHook>("ADVAPI32.dll", "RegQueryValueExA", reinterpret_cast<void*>(QueryFailingOnce));
    ASSERT_TRUE(Failing->Installed());
    NextQuery = Failing->Original<QueryValue>();
    FailureDue = true;
    SizeGiven = false;
  }

  void TearDown() override {
    Failing.reset();
    FailureDue = false;
    WhenTheScanGoesOn = nullptr;
    AppTest::TearDown();
  }

  int Scans() const { return Calls->OpensOf(UninstallPath) / 2; }

  // The registry paths that each of the two scans opened, in order.
  void ExpectTwoWholeScansOneAfterTheOther() const {
    const std::vector<std::string>& paths = Calls->OpenedPaths;
    ASSERT_EQ(0u, paths.size() % 2);
    const std::vector<std::string> first(paths.begin(), paths.begin() + paths.size() / 2);
    const std::vector<std::string> second(paths.begin() + paths.size() / 2, paths.end());
    EXPECT_EQ(first, second);
    EXPECT_EQ(UninstallPath, first.front());
    EXPECT_EQ(UninstallPath, second.front());
  }

  // The list and the inventory are the outcome of one whole scan of the registry as it is now.
  static void ExpectTheListOfTheCurrentRegistry(
      const std::vector<std::string>& titles = {"Alpha", "Delta", "Gamma"}) {
    EXPECT_EQ(titles, ListTitles());
    ASSERT_EQ(titles.size(), ProgramInventory.size());
    for (size_t item = 0; item < titles.size(); ++item) {
      auto entry = reinterpret_cast<const ProgramEntry*>(ProgramList.GetItemParam(static_cast<int>(item)));
      ASSERT_TRUE(entry >= ProgramInventory.data() && entry < ProgramInventory.data() + ProgramInventory.size())
          << "item " << item << " points outside the inventory";
      EXPECT_EQ(titles[item], Title(*entry));
    }
    EXPECT_EQ(std::to_string(titles.size()) + " applications", StatusText());
  }

  std::unique_ptr<RegistryCalls> Calls;  // from the end of the set-up on
  std::unique_ptr<ApiHook> Failing;
};

TEST_F(ScanDeferralTest, F5DuringAnErrorBoxRunsOnceAfterTheRunningScan) {
  FailThePublisherReadOnce();
  int rootOpensWhileOpen = -1;
  Boxes.WhileOpen([&](const CaughtMessageBox&) {
    rootOpensWhileOpen = Calls->OpensOf(UninstallPath);
    PostMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
    PostMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  });

  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  PumpMessages();

  ASSERT_EQ(1u, Boxes.Boxes().size());
  const CaughtMessageBox& box = Boxes.Boxes().front();
  EXPECT_EQ(ReadFailed, box.Text);
  EXPECT_EQ("", box.Caption);
  EXPECT_EQ(nullptr, box.Owner);
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_OK), box.Style);
  EXPECT_EQ(1, rootOpensWhileOpen) << "the box opens in the first scan's pass over HKEY_CURRENT_USER";

  EXPECT_EQ(2, Scans()) << "the two requests made meanwhile run as one scan";
  ExpectTwoWholeScansOneAfterTheOther();
  ExpectTheListOfTheCurrentRegistry();
  EXPECT_EQ("Acme", CellText(0, 2)) << "read again by the second scan";
}

TEST_F(ScanDeferralTest, TheSearchTimerDuringAnErrorBoxScansAfterwardsWithTheNewText) {
  FailThePublisherReadOnce();
  Boxes.WhileOpen([&](const CaughtMessageBox&) {
    SearchEdit.SetText("mm");  // starts the search timer, whose message is posted here
    PostMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
  });

  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  PumpMessages();
  KillTimer(MainWindow.GetHandle(), 0);

  EXPECT_EQ(2, Scans());
  ExpectTheListOfTheCurrentRegistry({"Gamma"});
}

TEST_F(ScanDeferralTest, SelectionAndColumnChangesDuringTheBoxUseTheEntriesOfTheLastWholeScan) {
  FailThePublisherReadOnce();
  ProgramList.SetFocus();
  Boxes.WhileOpen([&](const CaughtMessageBox&) {
    PostMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_COLUMN_SIZE, 0);
    PostMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  });
  std::vector<std::string> titlesDuringTheBox;
  std::vector<std::string> headersDuringTheBox;
  WhenTheScanGoesOn = [&] {
    titlesDuringTheBox = ListTitles();
    headersDuringTheBox = ColumnHeaders();
  };

  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  PumpMessages();

  EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta", "Gamma"}), titlesDuringTheBox)
      << "rebuilt from the inventory of the last whole scan";
  EXPECT_EQ((std::vector<std::string>{"Application", "Company"}), headersDuringTheBox);
  EXPECT_EQ(2, Scans());
  ExpectTwoWholeScansOneAfterTheOther();
  ExpectTheListOfTheCurrentRegistry();
  EXPECT_EQ((std::vector<std::string>{"Application", "Company"}), ColumnHeaders());
  EXPECT_EQ("Acme", CellText(0, 1));
  ASSERT_NE(-1, SelectedIndex());
  EXPECT_EQ(ListTitles()[SelectedIndex()], WindowText(DetailsTitle.GetHandle()));
}

TEST_F(ScanDeferralTest, AnEntryRemovedDuringTheBoxIsTheOneSelectedAndTheRescanFollows) {
  FailThePublisherReadOnce();
  Select(0);  // Alpha, under HKEY_CURRENT_USER
  Boxes.WhileOpen([&](const CaughtMessageBox& box) {
    if (box.Text != ReadFailed) return;
    Boxes.QueueAnswer(IDYES);  // for the confirmation that opens next
    PostMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REMOVE_ENTRY, 0);
  });

  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  PumpMessages();

  ASSERT_EQ(2u, Boxes.Boxes().size());
  EXPECT_EQ("Are you sure you want to remove entry from the list?", Boxes.Boxes()[1].Text);
  EXPECT_FALSE(RegistrySandbox::KeyExists(HKEY_CURRENT_USER, std::string(UninstallPath) + "alpha"));
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "gamma"));
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, std::string(UninstallPath) + "delta"));
  EXPECT_EQ(2, Scans());
  ExpectTheListOfTheCurrentRegistry({"Delta", "Gamma"});
}

TEST_F(ScanDeferralTest, WithoutRequestsMeanwhileAScanRunsOnce) {
  FailThePublisherReadOnce();
  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REFRESH, 0);
  PumpMessages();

  EXPECT_EQ(1u, Boxes.Boxes().size());
  EXPECT_EQ(1, Scans());
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Delta", "Gamma"}), ListTitles());
  EXPECT_EQ("", ProgramInventory.front().Publisher) << "the failed read leaves the field empty";
}

}  // namespace
