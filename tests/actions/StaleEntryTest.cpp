#include <filesystem>
#include <gtest/gtest.h>

#include "listview/ListColumns.h"
#include "support/AppSession.h"
#include "ui/ResourceIds.h"

namespace {

using StaleEntryTest = AppTest;

const char* const Gone = "C:\\Gone Program\\un.exe";

// Wine's installer knows no product: {...1} is not installed. Only the selected entry's status is found at the start;
// the column shows each row's, and sorts the stale ones together.
TEST_F(StaleEntryTest, TheStatusColumnIsHiddenAtFirstAndShowsEachRowsStatusAndSortsByIt) {
  Register(HKEY_LOCAL_MACHINE, "{00000000-0000-0000-0000-000000000001}", "B Product", "MsiExec.exe /X{1}");
  Register(HKEY_LOCAL_MACHINE, "gone", "C Gone", std::string("\"") + Gone + "\" /S");
  Register(HKEY_LOCAL_MACHINE, "here", "A Here", "rundll32.exe C:\\Gone Program\\x.dll,Uninstall");
  Register(HKEY_LOCAL_MACHINE, "later", "D Later", Gone);
  StartUp();
  for (const ProgramEntry& entry : ProgramInventory)  // the pane's, after the first paint
    EXPECT_EQ(Title(entry) == "A Here" ? 0 : -1, entry.Status) << Title(entry) << ": status known at the start";
  Command(IDM_COLUMN_STATUS);
  EXPECT_EQ((Texts{"", "Not installed (Windows Installer)", "Uninstaller missing", "Uninstaller missing"}),
            Column(StatusColumnIndex));
  NMLISTVIEW click = {};
  click.hdr = {ProgramList.GetHandle(), 0, static_cast<UINT>(LVN_COLUMNCLICK)};
  click.iSubItem = StatusColumnIndex;
  SendMessageA(MainWindow.GetHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ((Texts{"A Here", "C Gone", "D Later", "B Product"}), ListTitles());
  Select(1);
  Sleep(20);  // the pane's status comes with a timer
  PumpMessages();
  EXPECT_EQ("Uninstaller missing", StatusValue.GetText());
  EXPECT_EQ("Status:", StatusLabel.GetText());
}

DWORD LaunchError = 0;
BOOL WINAPI FailingLaunch(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                          LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
  return SetLastError(LaunchError), FALSE;
}

TEST_F(StaleEntryTest, AnUninstallerThatIsNotThereOffersToRemoveTheEntryWithItsBackup) {
  ApiHook launch("KERNEL32.dll", "CreateProcessA", &FailingLaunch);
  const std::string failure = std::string("Couldn't launch the program \"") + Gone + "\"";
  const std::string offer = MessageBoxCatcher::Describe(
      failure +
          "\n\nThe uninstaller of \"Gone\" is missing: the program may already have been removed. Remove "
          "its entry from the list?",
      "Quillmere", MB_ICONWARNING | MB_YESNO, "main");
  struct Case {
    DWORD Error;
    int Answer;
    std::string Box;
    Texts Listed;
  };
  const Case cases[] = {
      {ERROR_PATH_NOT_FOUND, IDNO, offer, {"Gone"}},
      {ERROR_ACCESS_DENIED,
       IDOK,
       MessageBoxCatcher::Describe(failure + "\n\nAccess denied.", "Quillmere", MB_ICONERROR, "main"),
       {"Gone"}},
      {ERROR_FILE_NOT_FOUND, IDYES, offer, {}},
  };
  Register(HKEY_LOCAL_MACHINE, "gone", "Gone", Gone);
  for (const Case& c : cases) {
    StartUp();
    Select(0);
    LaunchError = c.Error;
    Boxes.Boxes.clear();
    Boxes.Answers = {c.Answer};
    Command(IDM_UNINSTALL);
    EXPECT_EQ(Texts{c.Box}, Boxes.Boxes) << c.Error;
    EXPECT_EQ(c.Listed, ListTitles()) << c.Error;
  }
  EXPECT_TRUE(std::filesystem::exists(BackupFile("Gone"))) << "removed with its backup";
}

}  // namespace
