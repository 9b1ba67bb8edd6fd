#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

#include "inventory/DateFormatting.h"
#include "listview/IconLocation.h"
#include "support/AppSession.h"
#include "ui/ResourceIds.h"
#include "ui/Scan.h"
#include "ui/Settings.h"

namespace {

void AddProgram(const std::string& title, std::vector<std::string> values, const std::string& usage = "") {
  values.insert(values.end(), {"UninstallString=u", "DisplayName=" + title});
  RegistrySandbox::Register(HKEY_LOCAL_MACHINE, title, values);
  if (!usage.empty()) RegistrySandbox::WriteUsage(HKEY_LOCAL_MACHINE, title, usage);
}

using ListTest = AppTest;

TEST_F(ListTest, ItemsShowTheirCellsAndAHeaderClickSortsAscendingThenDescending) {
  AppSettings.ShowFrequencyColumn = AppSettings.ShowLastUsedColumn = 1;
  const FILETIME d2001 = FileTimeOf(2001, 6, 1), d2005 = FileTimeOf(2005, 6, 1), d2010 = FileTimeOf(2010, 6, 1),
                 d2022 = FileTimeOf(2022, 6, 1);
  AddProgram("small", {"Publisher=Äpfel", "EstimatedSize=#1"});
  AddProgram("Three", {"Publisher=Zeta", "InstallDate=20230101"}, UsageRecord(3ll << 30, 12, d2010));
  AddProgram("Five", {"Publisher=acme", "EstimatedSize=#9", "InstallDate=20200101"}, UsageRecord(5ll << 30, 0, d2022));
  AddProgram("Four", {"Publisher=Beta", "InstallDate=19991231"}, UsageRecord(4ll << 40, -1, d2001));
  // With usage data, only its size counts.
  AddProgram("Unsized", {"EstimatedSize=#1500", "InstallDate=20100101"}, UsageRecord(0, 2, d2005));
  StartUp();
  Command(IDM_COLUMN_INSTALLED_ON);  // a column shown later reads the values that it shows
  EXPECT_EQ((std::vector<Texts>{{"Five", "Four", "small", "Three", "Unsized"},
                                {"5 GB", "4096 GB", "1 KB", "3 GB", ""},
                                {"acme", "Beta", "Äpfel", "Zeta", ""},
                                {"rarely (0)", "", "", "frequently (12)", "rarely (2)"},
                                {FormatDate(d2022), FormatDate(d2001), "", FormatDate(d2010), FormatDate(d2005)},
                                {FormatInstallDate(20200101), FormatInstallDate(19991231), "",
                                 FormatInstallDate(20230101), FormatInstallDate(20100101)}}),
            (std::vector<Texts>{Column(0), Column(1), Column(2), Column(3), Column(4), Column(5)}));
  EXPECT_EQ(std::make_pair(std::string("5 applications"), 0), std::make_pair(StatusBar.GetText(), SelectedIndex()));
  // Names ignore the case of a to z, companies are bytes, sizes 64-bit, the undated come first; a
  // program without usage data and one with an unknown use count come first, in either order (before
  // that click, the one without usage data follows one used 0 times).
  for (const std::string clicked :
       {"0:Unsized Three small Four Five", "1:Unsized small Three Five Four", "1:Four Five Three small Unsized",
        "2:Unsized Four Three Five small", "3:Four small Five Unsized Three", "5:small Four Unsized Five Three",
        "4:small Four Unsized Three Five"}) {
    NMLISTVIEW click = {};  // as a click on the header reaches the main window
    click.hdr = {ProgramList.GetHandle(), 0, static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iSubItem = clicked[0] - '0';
    SendMessageA(MainWindow.GetHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    Texts titles = ListTitles();
    if (clicked[0] == '3') std::sort(titles.begin(), titles.begin() + 2);
    std::string listed = clicked.substr(0, 2);
    for (const auto& title : titles) listed += title + (&title == &titles.back() ? "" : " ");
    EXPECT_EQ(clicked, listed);
  }
  SearchEdit.SetText("nothing like it");
  RequestScan();
  EXPECT_EQ("Nothing found", StatusBar.GetText());
}

TEST(IconLocationTest, TheNumberAfterTheLastCommaCountsOnlyWhenItIsAWholeIntegerOf32Bits) {
  for (const std::string row :
       {"C:\\a,b\\x.dll,2 => C:\\a,b\\x.dll 2", "x.dll,-2 => x.dll -2", "x.dll, +3  => x.dll 3", "x.dll,2x => x.dll 0",
        "x.dll, => x.dll 0", "x.dll => x.dll 0", "x,2147483647 => x 2147483647", "x,2147483648 => x 0", "x,- => x 0",
        "x,-2147483648 => x -2147483648", " \"C:\\a,b\\x.dll\" ,-101 => C:\\a,b\\x.dll -101",
        "\"C:\\a b\\x.dll\" => C:\\a b\\x.dll 0", "\"x\",\"y\" => x 0"}) {
    const IconLocation location = ParseIconLocation(row.substr(0, row.find(" => ")));
    EXPECT_EQ(row, row.substr(0, row.find(" => ") + 4) + location.Path + " " + std::to_string(location.Index));
  }
}

// ExtractIconExA and DestroyIcon as the program calls them. A failed extraction leaves garbage in
// the handles, as Wine's does: only its count may be trusted.
const HICON Garbage = reinterpret_cast<HICON>(0xBAD0);
std::vector<std::string> Extracted;
std::vector<HICON> HandedOut, Destroyed;
ApiHook *ExtractHook = nullptr, *DestroyHook = nullptr;
UINT WINAPI Extract(LPCSTR path, int index, HICON* large, HICON* small, UINT count) {
  Extracted.push_back(path + ("," + std::to_string(index)));
  const UINT result = ExtractHook->Original<decltype(Extract)>()(path, index, large, small, count);
  if (result == 0 || result == UINT_MAX)
    *large = *small = Garbage;
  else
    HandedOut.insert(HandedOut.end(), {*large, *small});
  return result;
}
BOOL WINAPI Destroy(HICON icon) { return Destroyed.push_back(icon), DestroyHook->Original<decltype(Destroy)>()(icon); }

TEST_F(ListTest, IconsAreExtractedOncePerLocationWhileTheirFileIsUnchangedAndOnlyHandedOutOnesAreDestroyed) {
  ApiHook extract("SHELL32.dll", "ExtractIconExA", &Extract), destroy("USER32.dll", "DestroyIcon", &Destroy);
  ExtractHook = &extract, DestroyHook = &destroy;
  char self[MAX_PATH], windows[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  GetWindowsDirectoryA(windows, sizeof windows);
  const std::string own = self + std::string(".icons.exe"), notepad = windows + std::string("\\notepad.exe");
  ASSERT_TRUE(CopyFileA(self, own.c_str(), FALSE));
  AddProgram("a", {"DisplayIcon=" + notepad});
  AddProgram("b", {"DisplayIcon=" + own});
  AddProgram("c", {}, UsageRecord(1, 1, {0, 0}, std::wstring(own.begin(), own.end())));  // the program used
  AddProgram("d", {"DisplayIcon=C:\\missing\\x.exe,1"});
  AddProgram("e", {"DisplayIcon=" + notepad + ",99"});  // no such icon
  AddProgram("f", {}, UsageRecord(1, 1));
  const auto images = [] {  // each item's, then how many
    std::vector<int> shown;
    LVITEMA item = {};
    for (item.mask = LVIF_IMAGE; ListView_GetItem(ProgramList.GetHandle(), &item); ++item.iItem)
      shown.push_back(item.iImage);
    return shown.push_back(ImageList_GetImageCount(ProgramList.SmallImages)), shown;
  };
  StartUp();
  EXPECT_EQ((std::vector<int>{1, 2, 2, 0, 0, 0, 3}), images());
  StartUp();  // the rows drawn again: only the missing file is tried again
  std::ofstream(own, std::ios::app) << "!";
  StartUp();
  DeleteFileA(own.c_str());
  EXPECT_EQ((Texts{notepad + ",0", own + ",0", "C:\\missing\\x.exe,1", notepad + ",99", "C:\\missing\\x.exe,1",
                   own + ",0", "C:\\missing\\x.exe,1"}),
            Extracted);
  EXPECT_EQ((std::vector<int>{1, 3, 3, 0, 0, 0, 4}), images());
  for (HICON icon : HandedOut)
    EXPECT_EQ(1, std::count(Destroyed.begin(), Destroyed.end(), icon)) << "lists keep copies";
  for (HICON icon : {Garbage, MainWindow.GetIcon()})  // the application's icon stands in for the default
    EXPECT_EQ(0, std::count(Destroyed.begin(), Destroyed.end(), icon)) << icon;
}

}  // namespace
