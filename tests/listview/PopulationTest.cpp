#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/Scan.h"
#include "app/Settings.h"
#include "app/resources/ResourceIds.h"
#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "listview/ListColumns.h"
#include "listview/Population.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/IconExtractionSpy.h"
#include "support/TestData.h"

namespace {

const HKEY Machine = HKEY_LOCAL_MACHINE;
const int64_t GiB = 1024ll * 1024 * 1024;

using Strings = std::vector<std::pair<std::string, std::string>>;
using Row = std::vector<std::string>;

UsageRecord UsageWithPath(const std::wstring& path) {
  UsageRecord record = UsageOf(0, 1);
  record.HasProgramPath = 1;
  record.ProgramPath = path;
  return record;
}

int ImageCount(HIMAGELIST images) { return ImageList_GetImageCount(images); }

// The image as drawn on white, pixel by pixel.
std::vector<uint32_t> Pixels(HIMAGELIST images, int index) {
  int width = 0, height = 0;
  ImageList_GetIconSize(images, &width, &height);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  auto* pixels = static_cast<uint32_t*>(bits);
  std::fill(pixels, pixels + width * height, 0xFFFFFFu);
  ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL);
  GdiFlush();
  std::vector<uint32_t> drawn(pixels, pixels + width * height);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return drawn;
}

// The icon as an image list of the same kind as images shows it.
std::vector<uint32_t> PixelsAsImage(HIMAGELIST images, HICON icon) {
  HIMAGELIST reference = ImageList_Duplicate(images);
  ImageList_Remove(reference, -1);
  ImageList_ReplaceIcon(reference, -1, icon);
  std::vector<uint32_t> drawn = Pixels(reference, 0);
  ImageList_Destroy(reference);
  return drawn;
}

class PopulationTest : public AppTest {
 protected:
  static void AddProgram(const std::string& key, Strings values) {
    values.push_back({"UninstallString", "uninstall.exe"});
    RegistrySandbox::AddRegistration(Machine, key, values);
  }
  static void SetEstimatedSize(const std::string& key, DWORD kilobytes) {
    RegistrySandbox::WriteDword(Machine, UninstallPath + key, "EstimatedSize", kilobytes);
  }
  static void SetUsage(const std::string& key, const UsageRecord& record) {
    RegistrySandbox::WriteUsageRecord(Machine, key, record);
  }
  static void RemoveProgram(const std::string& key) { RegistrySandbox::DeleteTree(Machine, UninstallPath + key); }

  static int ItemOf(const std::string& title) {
    std::vector<std::string> titles = ListTitles();
    auto found = std::find(titles.begin(), titles.end(), title);
    if (found == titles.end()) {
      ADD_FAILURE() << title << " is not listed";
      return -1;
    }
    return static_cast<int>(found - titles.begin());
  }
  static Row RowOf(const std::string& title) {
    Row row;
    for (size_t column = 0; column < ColumnHeaders().size(); ++column)
      row.push_back(CellText(ItemOf(title), static_cast<int>(column)));
    return row;
  }
  static int ImageOf(const std::string& title) {
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = ItemOf(title);
    SendMessageA(ProgramList.GetHandle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
  }
  static int TopIndex() {
    return static_cast<int>(SendMessageA(ProgramList.GetHandle(), LVM_GETTOPINDEX, 0, 0));
  }
};

TEST_F(PopulationTest, CellsShowSizeCompanyFrequencyAndDateOnlyWhereThereIsSomethingToShow) {
  AppSettings.ShowFrequencyColumn = 1;
  AppSettings.ShowLastUsedColumn = 1;
  const FILETIME spring = FileTimeOf(2021, 3, 4, 12), autumn = FileTimeOf(2019, 10, 30, 12);
  AddProgram("plain", {{"DisplayName", "Plain"}, {"Publisher", "Acme"}});
  SetEstimatedSize("plain", 1500);
  AddProgram("anonymous", {{"DisplayName", "Anonymous"}});
  AddProgram("used", {{"DisplayName", "Used"}, {"Publisher", "Usage Corp"}});
  SetUsage("used", UsageOf(2048, 7, spring));
  AddProgram("uncounted", {{"DisplayName", "Uncounted"}});
  SetUsage("uncounted", UsageOf(999, -1, autumn));
  AddProgram("unused", {{"DisplayName", "Unused"}});
  SetUsage("unused", UsageOf(0, 0, autumn));
  StartUp();

  EXPECT_EQ((std::vector<std::string>{"Application", "Size", "Company", "Frequency of use", "Date last used"}),
            ColumnHeaders());
  EXPECT_EQ((std::vector<std::string>{"Anonymous", "Plain", "Uncounted", "Unused", "Used"}), ListTitles());
  ASSERT_NE("", FormatDate(spring));
  EXPECT_EQ((Row{"Plain", FormatSize(1500 * 1024), "Acme", "", ""}), RowOf("Plain"));
  EXPECT_EQ((Row{"Anonymous", "", "", "", ""}), RowOf("Anonymous"));
  EXPECT_EQ((Row{"Used", "2 KB", "Usage Corp", FormatUseCount(7), FormatDate(spring)}), RowOf("Used"));
  EXPECT_EQ((Row{"Uncounted", "999 B", "", "", FormatDate(autumn)}), RowOf("Uncounted"));
  EXPECT_EQ((Row{"Unused", "", "", "rarely (0)", FormatDate(autumn)}), RowOf("Unused"));
}

TEST_F(PopulationTest, TheDefaultColumnsAreSizeAndCompany) {
  AddProgram("plain", {{"DisplayName", "Plain"}, {"Publisher", "Acme"}});
  SetEstimatedSize("plain", 1);
  StartUp();

  EXPECT_EQ((std::vector<std::string>{"Application", "Size", "Company"}), ColumnHeaders());
  EXPECT_EQ(1, SizeColumnIndex);
  EXPECT_EQ(2, CompanyColumnIndex);
  EXPECT_EQ(0, FrequencyColumnIndex);
  EXPECT_EQ(0, LastUsedColumnIndex);
  EXPECT_EQ((Row{"Plain", "1 KB", "Acme"}), RowOf("Plain"));
}

TEST_F(PopulationTest, DateLastUsedAloneTakesPositionOne) {
  AppSettings.ShowSizeColumn = 0;
  AppSettings.ShowCompanyColumn = 0;
  AppSettings.ShowLastUsedColumn = 1;
  const FILETIME used = FileTimeOf(2020, 2, 29, 12);
  AddProgram("used", {{"DisplayName", "Used"}, {"Publisher", "Acme"}});
  SetUsage("used", UsageOf(5000, 3, used));
  StartUp();

  EXPECT_EQ((std::vector<std::string>{"Application", "Date last used"}), ColumnHeaders());
  EXPECT_EQ(1, LastUsedColumnIndex);
  EXPECT_EQ(0, SizeColumnIndex);
  EXPECT_EQ(0, CompanyColumnIndex);
  EXPECT_EQ(0, FrequencyColumnIndex);
  EXPECT_EQ((Row{"Used", FormatDate(used)}), RowOf("Used"));
}

TEST_F(PopulationTest, UsageDataWithoutSizeLeavesTheSizeEmptyDespiteAnEstimatedSize) {
  AddProgram("measured", {{"DisplayName", "Measured"}});
  SetEstimatedSize("measured", 1500);
  SetUsage("measured", UsageOf(0, 4));
  AddProgram("estimated", {{"DisplayName", "Estimated"}});
  SetEstimatedSize("estimated", 1500);
  StartUp();

  EXPECT_EQ("", CellText(ItemOf("Measured"), SizeColumnIndex));
  EXPECT_EQ(FormatSize(1500 * 1024), CellText(ItemOf("Estimated"), SizeColumnIndex));
}

TEST_F(PopulationTest, SizesOfFourGigabytesAndMoreAreShownWhole) {
  AddProgram("five", {{"DisplayName", "Five"}});
  SetUsage("five", UsageOf(5 * GiB, 1));
  AddProgram("wrapping", {{"DisplayName", "Wrapping"}});
  SetUsage("wrapping", UsageOf(4 * GiB + 1024, 1));
  AddProgram("estimated", {{"DisplayName", "Estimated"}});
  SetEstimatedSize("estimated", 3 * 1024 * 1024);  // 3 GiB in kilobytes
  StartUp();

  EXPECT_EQ("5 GB", CellText(ItemOf("Five"), SizeColumnIndex));
  EXPECT_EQ(FormatSize(4 * GiB + 1024), CellText(ItemOf("Wrapping"), SizeColumnIndex));
  EXPECT_NE(FormatSize(1024), CellText(ItemOf("Wrapping"), SizeColumnIndex));
  EXPECT_EQ("3 GB", CellText(ItemOf("Estimated"), SizeColumnIndex));
}

TEST_F(PopulationTest, AnEmptyInventoryLeavesTheShownColumnsAndNoItems) {
  AppSettings.ShowFrequencyColumn = 1;
  AddProgram("one", {{"DisplayName", "One"}, {"DisplayIcon", ThisExecutable()}});
  StartUp();
  ASSERT_EQ(1u, ListTitles().size());
  ASSERT_EQ(2, ImageCount(ProgramList.LargeImages));

  RemoveProgram("one");
  Scan();

  EXPECT_EQ((std::vector<std::string>{"Application", "Size", "Company", "Frequency of use"}), ColumnHeaders());
  EXPECT_TRUE(ListTitles().empty());
  EXPECT_EQ("Nothing found", StatusText());
}

TEST_F(PopulationTest, TheDefaultIconIsImageZeroOfBothLists) {
  ASSERT_TRUE(ProgramList.RemoveAllIcons());
  EXPECT_EQ(0, AddDefaultIcon());
  EXPECT_EQ(1, ImageCount(ProgramList.LargeImages));
  EXPECT_EQ(1, ImageCount(ProgramList.SmallImages));
  EXPECT_EQ(PixelsAsImage(ProgramList.SmallImages, MainWindow.GetIcon()), Pixels(ProgramList.SmallImages, 0));
}

TEST_F(PopulationTest, IconLocationsAreSplitAtTheLastComma) {
  IconExtractionSpy icons(IconExtractionSpy::NoIcons);
  const Strings values[] = {
      {{"DisplayName", "A"}, {"DisplayIcon", "C:\\apps\\two.dll,2"}},
      {{"DisplayName", "B"}, {"DisplayIcon", "C:\\apps\\minus.dll,-2"}},
      {{"DisplayName", "C"}, {"DisplayIcon", "C:\\apps\\blanks.dll, 2 "}},
      {{"DisplayName", "D"}, {"DisplayIcon", "C:\\apps\\suffix.dll,2x"}},
      {{"DisplayName", "E"}, {"DisplayIcon", "C:\\apps\\trailing.dll,"}},
      {{"DisplayName", "F"}, {"DisplayIcon", "C:\\one,two\\three,four.dll,3"}},
      {{"DisplayName", "G"}, {"DisplayIcon", "C:\\apps\\whole.exe"}},
      {{"DisplayName", "H"}, {"DisplayIcon", "\"%ProgramFiles%\\Quoted\\q.exe\",1"}},
      {{"DisplayName", "I"}, {"DisplayIcon", "C:\\apps\\seven.dll,7"}},
  };
  char key[] = "a";
  for (const Strings& registration : values) {
    AddProgram(key, registration);
    ++key[0];
  }
  StartUp();

  std::vector<IconExtraction> expected = {
      {"C:\\apps\\two.dll", 2},       {"C:\\apps\\minus.dll", 2},  {"C:\\apps\\blanks.dll", 2},
      {"C:\\apps\\suffix.dll", 0},    {"C:\\apps\\trailing.dll", 0}, {"C:\\one,two\\three,four.dll", 3},
      {"C:\\apps\\whole.exe", 0},     {"\"%ProgramFiles%\\Quoted\\q.exe\"", 1}, {"C:\\apps\\seven.dll", 7},
  };
  EXPECT_EQ(expected, icons.Calls());  // the registry enumerates the keys a to i in order
  for (const std::string& title : ListTitles()) EXPECT_EQ(0, ImageOf(title)) << title;
  EXPECT_EQ(1, ImageCount(ProgramList.LargeImages));
}

TEST_F(PopulationTest, WithoutDisplayIconTheUsageDataProgramPathGivesTheIcon) {
  IconExtractionSpy icons(IconExtractionSpy::NoIcons);
  AddProgram("a", {{"DisplayName", "Program path"}});
  SetUsage("a", UsageWithPath(L"C:\\apps\\program.exe"));
  AddProgram("b", {{"DisplayName", "Both"}, {"DisplayIcon", "C:\\apps\\icons.dll,1"}});
  SetUsage("b", UsageWithPath(L"C:\\apps\\other.exe"));
  AddProgram("c", {{"DisplayName", "Usage without path"}});
  SetUsage("c", UsageOf(100, 1));
  AddProgram("d", {{"DisplayName", "Nothing"}});
  StartUp();

  EXPECT_EQ((std::vector<IconExtraction>{{"C:\\apps\\program.exe", 0}, {"C:\\apps\\icons.dll", 1}}), icons.Calls());
  EXPECT_EQ(4u, ListTitles().size());
  EXPECT_EQ(0, ImageOf("Nothing"));
}

TEST_F(PopulationTest, AProgramWithOnlyALargeIconShowsTheDefaultImage) {
  IconExtractionSpy icons(IconExtractionSpy::LargeIconOnly);
  AddProgram("a", {{"DisplayName", "Half"}, {"DisplayIcon", ThisExecutable()}});
  StartUp();

  ASSERT_EQ(1u, icons.HandedOut().size());
  EXPECT_EQ(0, ImageOf("Half"));
  EXPECT_EQ(1, ImageCount(ProgramList.LargeImages));
  EXPECT_EQ(1, ImageCount(ProgramList.SmallImages));
}

TEST_F(PopulationTest, ProgramIconsAreAddedAfterTheApplicationIconAsDefault) {
  AddProgram("a", {{"DisplayName", "Notes"}, {"DisplayIcon", WindowsFile("notepad.exe")}});
  AddProgram("b", {{"DisplayName", "Own"}, {"DisplayIcon", ThisExecutable() + ",0"}});
  AddProgram("c", {{"DisplayName", "Missing"}, {"DisplayIcon", "C:\\no\\such\\file.exe"}});
  AddProgram("d", {{"DisplayName", "Plain"}});
  StartUp();

  EXPECT_EQ(1, ImageOf("Notes"));  // icons are added in inventory order
  EXPECT_EQ(2, ImageOf("Own"));
  EXPECT_EQ(0, ImageOf("Missing"));
  EXPECT_EQ(0, ImageOf("Plain"));
  EXPECT_EQ(3, ImageCount(ProgramList.LargeImages));
  EXPECT_EQ(3, ImageCount(ProgramList.SmallImages));

  for (HIMAGELIST images : {ProgramList.SmallImages, ProgramList.LargeImages}) {
    const std::vector<uint32_t> applicationIcon = PixelsAsImage(images, MainWindow.GetIcon());
    EXPECT_EQ(applicationIcon, Pixels(images, 0));
    EXPECT_NE(applicationIcon, Pixels(images, 1)) << "the notepad icon looks like the application icon";
  }
}

// A copy of this executable in the temporary folder, deleted with the object.
class TemporaryIconFile {
 public:
  TemporaryIconFile() {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    Path = std::string(folder) + "quillmere-icons-" + std::to_string(GetCurrentProcessId()) + ".exe";
    CopyFileA(ThisExecutable().c_str(), Path.c_str(), FALSE);
  }
  ~TemporaryIconFile() { DeleteFileA(Path.c_str()); }

  void Change() {
    HANDLE file = CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, "!", 1, &written, nullptr);
    CloseHandle(file);
  }

  std::string Path;
};

TEST_F(PopulationTest, IconsAreExtractedAndAddedOncePerLocationWhileTheFileIsUnchanged) {
  TemporaryIconFile file;
  IconExtractionSpy icons(IconExtractionSpy::SystemIcons);
  AddProgram("a", {{"DisplayName", "Notes"}, {"DisplayIcon", WindowsFile("notepad.exe")}});
  AddProgram("b", {{"DisplayName", "Own"}, {"DisplayIcon", file.Path}});
  AddProgram("c", {{"DisplayName", "Own too"}, {"DisplayIcon", file.Path}});
  StartUp();
  EXPECT_EQ(2u, icons.Calls().size());
  EXPECT_EQ(ImageOf("Own"), ImageOf("Own too"));

  for (int population = 0; population < 3; ++population) {
    SearchEdit.SetText(population == 1 ? "own" : "");
    Scan();
    EXPECT_EQ(2u, icons.Calls().size());
    EXPECT_EQ(3, ImageCount(ProgramList.LargeImages));
    EXPECT_EQ(3, ImageCount(ProgramList.SmallImages));
  }
  for (HICON icon : icons.HandedOut()) EXPECT_FALSE(IconExists(icon)) << "the image lists hold copies";

  file.Change();
  Scan();
  ASSERT_EQ(3u, icons.Calls().size());
  EXPECT_EQ(file.Path, icons.Calls().back().Path);
  EXPECT_EQ(3, ImageOf("Own"));
  EXPECT_EQ(3, ImageOf("Own too"));
  EXPECT_EQ(1, ImageOf("Notes"));
  EXPECT_TRUE(IconExists(MainWindow.GetIcon()));  // the fallback default icon stays the window's
}

TEST_F(PopulationTest, ImageListsFarLargerThanThePopulationNeedsStartAgain) {
  const std::string icons = WindowsFile("system32\\shell32.dll") + ",";
  for (int i = 0; i < 80; ++i)
    AddProgram("p" + std::to_string(i), {{"DisplayName", "P"}, {"DisplayIcon", icons + std::to_string(i)}});
  StartUp();
  ASSERT_GT(ImageCount(ProgramList.LargeImages), 2 * 1 + 64) << "shell32.dll has too few icons";

  for (int i = 0; i < 80; ++i) RemoveProgram("p" + std::to_string(i));
  AddProgram("q", {{"DisplayName", "Q"}, {"DisplayIcon", WindowsFile("notepad.exe")}});
  Scan();
  EXPECT_EQ(2, ImageCount(ProgramList.LargeImages));
  EXPECT_EQ(2, ImageCount(ProgramList.SmallImages));
  EXPECT_EQ(1, ImageOf("Q"));
}

TEST_F(PopulationTest, AMissingFileIsTriedAgainByEveryPopulationAnUnchangedOneIsNot) {
  IconExtractionSpy icons(IconExtractionSpy::SystemIcons);
  AddProgram("a", {{"DisplayName", "Missing"}, {"DisplayIcon", "C:\\no such folder\\program.exe,1"}});
  AddProgram("b", {{"DisplayName", "No such icon"}, {"DisplayIcon", WindowsFile("notepad.exe") + ",99"}});
  StartUp();
  Scan();

  const IconExtraction missing = {"C:\\no such folder\\program.exe", 1};
  const IconExtraction noSuchIcon = {WindowsFile("notepad.exe"), 99};
  EXPECT_EQ((std::vector<IconExtraction>{missing, noSuchIcon, missing}), icons.Calls());
  EXPECT_TRUE(icons.HandedOut().empty());
  EXPECT_EQ(0, ImageOf("Missing"));
  EXPECT_EQ(0, ImageOf("No such icon"));
  EXPECT_EQ(1, ImageCount(ProgramList.LargeImages));
}

using LoadImageFunction = HANDLE(WINAPI*)(HINSTANCE, LPCSTR, UINT, int, int, UINT);
ApiHook* LoadImageHook = nullptr;
std::vector<HICON> DefaultIconsLoaded;

// Gives the control panel module an icon 1502: the program's blank icon.
HANDLE WINAPI LoadImageWithDefaultIcon(HINSTANCE module, LPCSTR name, UINT type, int width, int height, UINT flags) {
  auto original = LoadImageHook->Original<LoadImageFunction>();
  if (!IS_INTRESOURCE(name) || LOWORD(name) != 1502) return original(module, name, type, width, height, flags);
  HANDLE icon = original(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BLANK), type, width, height, flags);
  DefaultIconsLoaded.push_back(static_cast<HICON>(icon));
  return icon;
}

TEST_F(PopulationTest, TheControlPanelIconBecomesTheDefaultAndIsDestroyedOnceAdded) {
  ApiHook hook("USER32.dll", "LoadImageA", reinterpret_cast<void*>(LoadImageWithDefaultIcon));
  ASSERT_TRUE(hook.Installed());
  LoadImageHook = &hook;
  DefaultIconsLoaded.clear();
  AddProgram("a", {{"DisplayName", "Plain"}});
  StartUp();

  ASSERT_EQ(1u, DefaultIconsLoaded.size()) << "appwiz.cpl did not load";
  EXPECT_FALSE(IconExists(DefaultIconsLoaded[0]));
  HICON blank = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BLANK));
  EXPECT_EQ(PixelsAsImage(ProgramList.LargeImages, blank), Pixels(ProgramList.LargeImages, 0));
  EXPECT_NE(PixelsAsImage(ProgramList.LargeImages, MainWindow.GetIcon()), Pixels(ProgramList.LargeImages, 0));
  EXPECT_EQ(1, ImageCount(ProgramList.SmallImages));
  EXPECT_TRUE(IconExists(MainWindow.GetIcon()));
  LoadImageHook = nullptr;
}

TEST_F(PopulationTest, ARescanSelectsAndScrollsToTheSamePositions) {
  for (int i = 0; i < 60; ++i) {
    char name[16];
    wsprintfA(name, "Program %02d", i);
    AddProgram(name, {{"DisplayName", name}});
  }
  StartUp();
  ProgramList.EnsureVisible(59, false);
  ProgramList.EnsureVisible(20, false);
  ASSERT_EQ(20, TopIndex());
  Select(25);

  Scan();
  EXPECT_EQ(20, TopIndex());
  EXPECT_EQ(25, SelectedIndex());
  EXPECT_EQ("Program 25", CellText(SelectedIndex(), 0));

  RemoveProgram("Program 00");
  Scan();
  EXPECT_EQ(20, TopIndex());
  EXPECT_EQ(25, SelectedIndex());
  EXPECT_EQ("Program 26", CellText(SelectedIndex(), 0));  // the position is kept, not the program
}

TEST_F(PopulationTest, NothingIsSelectedWhenTheListGotShorterThanTheSelectedPosition) {
  AddProgram("a", {{"DisplayName", "Alpha"}});
  AddProgram("b", {{"DisplayName", "Beta"}});
  AddProgram("c", {{"DisplayName", "Gamma"}});
  StartUp();
  Select(2);

  RemoveProgram("b");
  Scan();
  EXPECT_EQ(-1, SelectedIndex());
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Gamma"}), ListTitles());
}

}  // namespace
