#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

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

// The position of the column headed so, or -1.
int PositionOf(const std::string& header) {
  char text[64];
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT, column.pszText = text, column.cchTextMax = sizeof text;
  for (int position = 0;
       SendMessageA(ProgramList.GetHandle(), LVM_GETCOLUMNA, position, reinterpret_cast<LPARAM>(&column)); ++position)
    if (header == text) return position;
  return -1;
}
// "<header> up" or "<header> down" of each column whose header shows a sort arrow.
Texts Arrows() {
  Texts arrows;
  char text[64];
  HDITEMA item = {};
  item.mask = HDI_FORMAT | HDI_TEXT, item.pszText = text, item.cchTextMax = sizeof text;
  for (int position = 0; SendMessageA(ProgramList.GetHeader(), HDM_GETITEMA, position, reinterpret_cast<LPARAM>(&item));
       ++position)
    if (item.fmt & (HDF_SORTUP | HDF_SORTDOWN))
      arrows.push_back(text + std::string(item.fmt & HDF_SORTUP ? " up" : " down"));
  return arrows;
}
void ClickHeader(const std::string& header) {
  NMLISTVIEW click = {};  // as a click on the header reaches the main window
  click.hdr = {ProgramList.GetHandle(), 0, static_cast<UINT>(LVN_COLUMNCLICK)};
  click.iSubItem = PositionOf(header);
  SendMessageA(MainWindow.GetHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
}

// A column's cells from top to bottom once the list is sorted by it, ascending.
struct SortedColumn {
  std::string Header;
  UINT ShowCommand;
  Texts Ascending;
};

TEST_F(ListTest, ItemsShowTheirCellsAndEachColumnStaysTheSortedOneWithItsArrowWhileOthersAreShownOrHidden) {
  const ApiHook dates = ShortDates("dd.MM.yyyy");
  AppSettings.ShowFrequencyColumn = AppSettings.ShowLastUsedColumn = 1;
  AddProgram("small", {"Publisher=Äpfel", "EstimatedSize=#1"});
  AddProgram("Three", {"Publisher=Zeta", "InstallDate=20230101"}, UsageRecord(3ll << 30, 12, FileTimeOf(2010, 6, 1)));
  AddProgram("Five", {"Publisher=acme", "EstimatedSize=#9", "InstallDate=20200101"},
             UsageRecord(5ll << 30, 0, FileTimeOf(2022, 6, 1)));
  AddProgram("Four", {"Publisher=Beta", "InstallDate=19991231"}, UsageRecord(4ll << 40, -1, FileTimeOf(2001, 6, 1)));
  // With usage data, only its size counts.
  AddProgram("Unsized", {"EstimatedSize=#1500", "InstallDate=20100101"}, UsageRecord(0, 2, FileTimeOf(2005, 6, 1)));
  StartUp();
  Command(IDM_COLUMN_INSTALLED_ON);  // a column shown later reads the values that it shows
  EXPECT_EQ((Texts{"Five", "Four", "small", "Three", "Unsized"}), Column(0));
  EXPECT_EQ((Texts{"5 GB", "4096 GB", "1 KB", "3 GB", ""}), Column(1)) << "Size";
  EXPECT_EQ((Texts{"acme", "Beta", "Äpfel", "Zeta", ""}), Column(2)) << "Company";
  EXPECT_EQ((Texts{"rarely (0)", "", "", "frequently (12)", "rarely (2)"}), Column(3)) << "Frequency of use";
  EXPECT_EQ((Texts{"01.06.2022", "01.06.2001", "", "01.06.2010", "01.06.2005"}), Column(4)) << "Date last used";
  EXPECT_EQ((Texts{"01.01.2020", "31.12.1999", "", "01.01.2023", "01.01.2010"}), Column(5)) << "Installed on";
  EXPECT_EQ("5 applications", StatusBar.GetText());
  // Names ignore the case of a to z, companies are bytes, sizes 64-bit; the undated come first, and
  // a program without usage data as one with an unknown use count.
  const SortedColumn columns[] = {
      {"Size", IDM_COLUMN_SIZE, {"", "1 KB", "3 GB", "5 GB", "4096 GB"}},
      {"Company", IDM_COLUMN_COMPANY, {"", "Beta", "Zeta", "acme", "Äpfel"}},
      {"Frequency of use", IDM_COLUMN_FREQUENCY, {"", "", "rarely (0)", "rarely (2)", "frequently (12)"}},
      {"Date last used", IDM_COLUMN_LAST_USED, {"", "01.06.2001", "01.06.2005", "01.06.2010", "01.06.2022"}},
      {"Installed on", IDM_COLUMN_INSTALLED_ON, {"", "31.12.1999", "01.01.2010", "01.01.2020", "01.01.2023"}},
      {"Application", 0, {"Five", "Four", "small", "Three", "Unsized"}}};
  for (const SortedColumn& sorted : columns) {
    ClickHeader(sorted.Header);
    for (const SortedColumn& other : columns) {
      for (int toggle = 0; toggle < 2 && other.ShowCommand && &other != &sorted; ++toggle) {
        Command(other.ShowCommand);
        EXPECT_EQ(sorted.Ascending, Column(PositionOf(sorted.Header)))
            << sorted.Header << ", " << other.Header << " " << (toggle ? "shown again" : "hidden");
        EXPECT_EQ(Texts{sorted.Header + " up"}, Arrows()) << sorted.Header << ", " << other.Header << " toggled";
      }
    }
    ClickHeader(sorted.Header);
    EXPECT_EQ(Texts(sorted.Ascending.rbegin(), sorted.Ascending.rend()), Column(PositionOf(sorted.Header)))
        << "a second click on " << sorted.Header;
    EXPECT_EQ(Texts{sorted.Header + " down"}, Arrows());
  }
  const std::string company(80, 'W');  // longer than any before: the column fits it anew
  AddProgram("small", {"Publisher=" + company});
  RequestScan();
  EXPECT_LT(ListView_GetStringWidth(ProgramList.GetHandle(), company.c_str()),
            ListView_GetColumnWidth(ProgramList.GetHandle(), PositionOf("Company")));
  ClickHeader("Company");
  Command(IDM_COLUMN_COMPANY);
  EXPECT_EQ(columns[5].Ascending, Column(0)) << "the sort column hidden: by name";
  EXPECT_EQ(Texts{"Application up"}, Arrows());
}

// SHDefExtractIconA and DestroyIcon as the program calls them. A failed extraction leaves garbage
// in the handles: only its result may be trusted.
const HICON Garbage = reinterpret_cast<HICON>(0xBAD0);
std::vector<std::string> Extracted;
std::vector<HICON> HandedOut, Destroyed;
HRESULT WINAPI Extract(LPCSTR path, int index, UINT flags, HICON* large, HICON* small, UINT sizes) {
  Extracted.push_back(path + ("," + std::to_string(index)));
  const HRESULT result = ApiHook::Original(&Extract)(path, index, flags, large, small, sizes);
  if (result != S_OK)
    *large = *small = Garbage;
  else
    HandedOut.insert(HandedOut.end(), {*large, *small});
  return result;
}
BOOL WINAPI Destroy(HICON icon) { return Destroyed.push_back(icon), ApiHook::Original(&Destroy)(icon); }

TEST_F(ListTest, IconsAreExtractedOncePerLocationWhileTheirFileIsUnchangedAndOnlyHandedOutOnesAreDestroyed) {
  ApiHook extract("SHELL32.dll", "SHDefExtractIconA", &Extract), destroy("USER32.dll", "DestroyIcon", &Destroy);
  char self[MAX_PATH], windows[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  GetWindowsDirectoryA(windows, sizeof windows);
  const std::string own = self + std::string(",icons.exe"), notepad = windows + std::string("\\notepad.exe");
  ASSERT_TRUE(CopyFileA(self, own.c_str(), FALSE));
  AddProgram("a", {});  // the location expanded whatever its type; quoted; a negative number is an id
  RegistrySandbox::Write(HKEY_LOCAL_MACHINE, UninstallPath + std::string("a"), "DisplayIcon", REG_EXPAND_SZ,
                         std::string("%SystemRoot%\\notepad.exe") + '\0');
  AddProgram("b", {"DisplayIcon=" + own + ",0"});                                        // a comma in its path too
  AddProgram("c", {}, UsageRecord(1, 1, {0, 0}, std::wstring(own.begin(), own.end())));  // the program used
  AddProgram("d", {"DisplayIcon=C:\\missing\\x.exe,1"});
  AddProgram("e", {"DisplayIcon=%SystemRoot%\\notepad.exe,99"});  // no such icon
  AddProgram("f", {}, UsageRecord(1, 1));
  AddProgram("g", {"DisplayIcon=\"%SystemRoot%\\system32\\shell32.dll\",-16"});
  const auto images = [] {  // each item's
    std::vector<int> shown;
    LVITEMA item = {};
    for (item.mask = LVIF_IMAGE; ListView_GetItem(ProgramList.GetHandle(), &item); ++item.iItem)
      shown.push_back(item.iImage);
    return shown;
  };
  StartUp();
  EXPECT_EQ((std::vector<int>{1, 2, 2, 0, 0, 0, 3}), images());
  EXPECT_EQ(4, ImageList_GetImageCount(ProgramList.SmallImages)) << "the default icon and three of their own";
  IMAGEINFO image = {};
  BITMAP bitmap = {};
  ASSERT_TRUE(ImageList_GetImageInfo(ProgramList.SmallImages, 1, &image));
  GetObjectA(image.hbmImage, sizeof bitmap, &bitmap);
  EXPECT_EQ(32, bitmap.bmBitsPixel) << "colours with an alpha channel";
  StartUp();  // the rows drawn again: only the missing file is tried again
  std::ofstream(own, std::ios::app) << "!";
  StartUp();
  DeleteFileA(own.c_str());
  EXPECT_EQ((Texts{notepad + ",0", own + ",0", "C:\\missing\\x.exe,1", notepad + ",99",
                   windows + std::string("\\system32\\shell32.dll,-16"), "C:\\missing\\x.exe,1", own + ",0",
                   "C:\\missing\\x.exe,1"}),
            Extracted);
  EXPECT_EQ((std::vector<int>{1, 4, 4, 0, 0, 0, 3}), images());
  EXPECT_EQ(5, ImageList_GetImageCount(ProgramList.SmallImages)) << "the changed file's icon added";
  for (HICON icon : HandedOut)
    EXPECT_EQ(1, std::count(Destroyed.begin(), Destroyed.end(), icon)) << "lists keep copies";
  for (HICON icon : {Garbage, MainWindow.GetIcon()})  // the application's icon stands in for the default
    EXPECT_EQ(0, std::count(Destroyed.begin(), Destroyed.end(), icon)) << icon;
}

}  // namespace
