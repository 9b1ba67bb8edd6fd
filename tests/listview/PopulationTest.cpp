#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/Scan.h"
#include "app/Settings.h"
#include "app/resources/ResourceIds.h"
#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/TestData.h"

namespace {

using Strings = std::vector<std::pair<std::string, std::string>>;
using Texts = std::vector<std::string>;
const int64_t GiB = 1024ll * 1024 * 1024;

struct Extraction {
  std::string Path;
  int Index;
  bool operator==(const Extraction& other) const { return Path == other.Path && Index == other.Index; }
};

// What the stand-ins for ExtractIconExA and ImageList_ReplaceIcon saw.
std::vector<Extraction> Extractions;
std::vector<HICON> HandedOut;   // by successful extractions, large and small
std::vector<HICON> LargeAdded;  // to the list's large images
ApiHook* ExtractHook = nullptr;
ApiHook* ReplaceHook = nullptr;

UINT WINAPI RecordExtraction(LPCSTR path, int index, HICON* large, HICON* small, UINT count) {
  Extractions.push_back({path, index});
  using Extract = UINT(WINAPI*)(LPCSTR, int, HICON*, HICON*, UINT);
  const UINT result = ExtractHook->Original<Extract>()(path, index, large, small, count);
  if (result != 0 && result != UINT_MAX) HandedOut.insert(HandedOut.end(), {*large, *small});
  return result;
}

int WINAPI RecordAddition(HIMAGELIST images, int index, HICON icon) {
  if (images == ProgramList.LargeImages) LargeAdded.push_back(icon);
  return ReplaceHook->Original<int(WINAPI*)(HIMAGELIST, int, HICON)>()(images, index, icon);
}

bool IconExists(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return false;
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return true;
}

UsageRecord UsageWithPath(const std::wstring& path) {
  UsageRecord record = UsageOf(0, 1);
  record.HasProgramPath = 1;
  record.ProgramPath = path;
  return record;
}

// A copy of this executable in the temporary folder, deleted with the object.
struct TemporaryIconFile {
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

class PopulationTest : public AppTest {
 protected:
  void SetUp() override {
    ExtractHook = &Extract;
    ReplaceHook = &Replace;
    ASSERT_TRUE(Extract.Installed() && Replace.Installed());
    AppTest::SetUp();
  }

  static void AddProgram(const std::string& key, Strings values) {
    values.push_back({"UninstallString", "uninstall.exe"});
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, key, values);
  }
  static void SetEstimatedSize(const std::string& key, DWORD kilobytes) {
    RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey(key), "EstimatedSize", kilobytes);
  }
  static void SetUsage(const std::string& key, const UsageRecord& record) {
    RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, key, record);
  }
  static void RemoveProgram(const std::string& key) { RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey(key)); }

  static std::vector<Texts> Rows() {
    std::vector<Texts> rows(ListTitles().size());
    for (size_t item = 0; item < rows.size(); ++item)
      for (size_t column = 0; column < ColumnHeaders().size(); ++column)
        rows[item].push_back(CellText(static_cast<int>(item), static_cast<int>(column)));
    return rows;
  }
  static std::vector<int> Images() {
    std::vector<int> images;
    for (size_t item = 0; item < ListTitles().size(); ++item) {
      LVITEMA image = {};
      image.mask = LVIF_IMAGE;
      image.iItem = static_cast<int>(item);
      SendMessageA(ProgramList.GetHandle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&image));
      images.push_back(image.iImage);
    }
    return images;
  }
  // The number of images, the same in both lists.
  static int ImageCount() {
    EXPECT_EQ(ImageList_GetImageCount(ProgramList.LargeImages), ImageList_GetImageCount(ProgramList.SmallImages));
    return ImageList_GetImageCount(ProgramList.LargeImages);
  }
  static int TopIndex() { return static_cast<int>(SendMessageA(ProgramList.GetHandle(), LVM_GETTOPINDEX, 0, 0)); }

  ApiHook Extract{"SHELL32.dll", "ExtractIconExA", reinterpret_cast<void*>(RecordExtraction)};
  ApiHook Replace{"COMCTL32.dll", "ImageList_ReplaceIcon", reinterpret_cast<void*>(RecordAddition)};
};

TEST_F(PopulationTest, ItemsAreSortedByNameWithTheirCellsUnderTheShownColumns) {
  AppSettings.ShowFrequencyColumn = 1;
  AppSettings.ShowLastUsedColumn = 1;
  const FILETIME spring = FileTimeOf(2021, 3, 4, 12), autumn = FileTimeOf(2019, 10, 30, 12);
  ASSERT_NE("", FormatDate(spring));
  AddProgram("anonymous", {{"DisplayName", "anonymous"}});
  AddProgram("estimated", {{"DisplayName", "Estimated"}, {"Publisher", "Acme"}});
  SetEstimatedSize("estimated", 1500);
  AddProgram("big", {{"DisplayName", "Big estimate"}});
  SetEstimatedSize("big", 3 * 1024 * 1024);
  AddProgram("huge", {{"DisplayName", "Huge"}, {"Publisher", "Usage Corp"}});
  SetUsage("huge", UsageOf(5 * GiB, 7, spring));
  AddProgram("quiet", {{"QuietDisplayName", "Quiet name"}});
  AddProgram("uncounted", {{"DisplayName", "Uncounted"}});
  SetUsage("uncounted", UsageOf(999, -1, autumn));
  AddProgram("unused", {{"DisplayName", "Unused"}});
  SetEstimatedSize("unused", 1500);  // usage data without a size leaves the size empty
  SetUsage("unused", UsageOf(0, 0, autumn));
  StartUp();

  EXPECT_EQ((Texts{"Application", "Size", "Company", "Frequency of use", "Date last used"}), ColumnHeaders());
  const std::vector<Texts> rows = {
      {"anonymous", "", "", "", ""},
      {"Big estimate", "3 GB", "", "", ""},
      {"Estimated", FormatSize(1500 * 1024), "Acme", "", ""},
      {"Huge", "5 GB", "Usage Corp", FormatUseCount(7), FormatDate(spring)},
      {"Quiet name", "", "", "", ""},
      {"Uncounted", "999 B", "", "", FormatDate(autumn)},
      {"Unused", "", "", "rarely (0)", FormatDate(autumn)},
  };
  EXPECT_EQ(rows, Rows());
  EXPECT_EQ(0, SelectedIndex());

  AppSettings.ShowSizeColumn = 0;
  AppSettings.ShowCompanyColumn = 0;
  Scan();
  EXPECT_EQ((Texts{"Application", "Frequency of use", "Date last used"}), ColumnHeaders());
  EXPECT_EQ((Texts{"Huge", FormatUseCount(7), FormatDate(spring)}), Rows()[3]);
}

TEST_F(PopulationTest, TheStatusBarCountsTheListedProgramsWithoutASingularForm) {
  StartUp();
  EXPECT_EQ("Nothing found", StatusText());
  AddProgram("a", {{"DisplayName", "Text Writer Pro"}});
  AddProgram("b", {{"DisplayName", "Writer Tools"}});
  AddProgram("c", {{"DisplayName", "Gamma"}});
  const std::pair<const char*, const char*> searches[] = {
      {"", "3 applications"}, {"writer", "2 applications"}, {"GAMMA", "1 applications"}, {"none", "Nothing found"}};
  for (const auto& search : searches) {
    SearchEdit.SetText(search.first);
    Scan();
    EXPECT_EQ(search.second, StatusText()) << search.first;
  }
  EXPECT_TRUE(ListTitles().empty());
  EXPECT_EQ((Texts{"Application", "Size", "Company"}), ColumnHeaders());
}

TEST_F(PopulationTest, TheIconIsTheDisplayIconSplitAtTheLastCommaElseTheUsedProgramsPath) {
  const std::pair<const char*, Extraction> locations[] = {
      {"C:\\a\\two.dll,2", {"C:\\a\\two.dll", 2}},
      {"C:\\a\\minus.dll,-2", {"C:\\a\\minus.dll", 2}},
      {"C:\\a\\plus.dll,+2", {"C:\\a\\plus.dll", 2}},
      {"C:\\a\\blanks.dll, 2 ", {"C:\\a\\blanks.dll", 2}},
      {"C:\\a\\suffix.dll,2x", {"C:\\a\\suffix.dll", 0}},
      {"C:\\a\\two numbers.dll,2 2", {"C:\\a\\two numbers.dll", 0}},
      {"C:\\a\\hex.dll,0x10", {"C:\\a\\hex.dll", 0}},
      {"C:\\a\\trailing.dll,", {"C:\\a\\trailing.dll", 0}},
      {"C:\\one,two\\three,four.dll,3", {"C:\\one,two\\three,four.dll", 3}},
      {"C:\\one,two\\app.exe", {"C:\\one", 0}},
      {"C:\\a\\whole.exe", {"C:\\a\\whole.exe", 0}},
      {"C:\\a\\max.dll,2147483647", {"C:\\a\\max.dll", 2147483647}},
      {"C:\\a\\over.dll,2147483648", {"C:\\a\\over.dll", 0}},
      {"C:\\a\\min.dll,-2147483648", {"C:\\a\\min.dll", 0}},
  };
  std::vector<Extraction> expected;
  char key[] = "a";
  for (const auto& location : locations) {
    AddProgram(key, {{"DisplayIcon", location.first}});
    expected.push_back(location.second);
    ++key[0];
  }
  AddProgram("x", {{"DisplayIcon", "C:\\a\\icons.dll,1"}});
  SetUsage("x", UsageWithPath(L"C:\\a\\other.exe"));
  AddProgram("y", {});
  SetUsage("y", UsageWithPath(L"C:\\a\\program.exe"));
  AddProgram("z", {});
  SetUsage("z", UsageOf(100, 1));
  expected.push_back({"C:\\a\\icons.dll", 1});
  expected.push_back({"C:\\a\\program.exe", 0});
  StartUp();

  EXPECT_EQ(expected, Extractions);  // in inventory order: the registry enumerates keys sorted
  EXPECT_EQ(std::vector<int>(17, 0), Images());
  EXPECT_EQ(1, ImageCount());
}

// A failed extraction leaves Wine's handles holding garbage: only the returned count is trusted.
TEST_F(PopulationTest, IconsAreExtractedOncePerLocationWhileTheFileIsUnchangedAndFailuresShowTheDefault) {
  TemporaryIconFile file;
  const Extraction notes = {WindowsFile("notepad.exe"), 0}, own = {file.Path, 0},
                   missing = {"C:\\no such folder\\program.exe", 1}, noSuchIcon = {WindowsFile("notepad.exe"), 99};
  AddProgram("a", {{"DisplayIcon", notes.Path}});
  AddProgram("b", {{"DisplayIcon", own.Path}});
  AddProgram("c", {{"DisplayIcon", own.Path}});
  AddProgram("d", {{"DisplayIcon", missing.Path + ",1"}});
  AddProgram("e", {{"DisplayIcon", noSuchIcon.Path + ",99"}});
  AddProgram("f", {});
  StartUp();
  EXPECT_EQ((std::vector<int>{1, 2, 2, 0, 0, 0}), Images());

  Scan();  // only the missing file is tried again
  file.Change();
  Scan();
  EXPECT_EQ((std::vector<Extraction>{notes, own, missing, noSuchIcon, missing, own, missing}), Extractions);
  EXPECT_EQ((std::vector<int>{1, 3, 3, 0, 0, 0}), Images());
  EXPECT_EQ(4, ImageCount());
  ASSERT_EQ(6u, HandedOut.size());
  EXPECT_EQ((std::vector<HICON>{MainWindow.GetIcon(), HandedOut[0], HandedOut[2], HandedOut[4]}), LargeAdded)
      << "the default is the application icon";
  for (HICON icon : HandedOut) EXPECT_FALSE(IconExists(icon)) << "the image lists hold copies";
  EXPECT_TRUE(IconExists(MainWindow.GetIcon()));
}

ApiHook* LoadImageHook = nullptr;
HICON ControlPanelIcon = nullptr;

// Gives the control panel module an icon 1502: the program's blank icon.
HANDLE WINAPI LoadImageWithDefaultIcon(HINSTANCE module, LPCSTR name, UINT type, int width, int height, UINT flags) {
  auto original = LoadImageHook->Original<HANDLE(WINAPI*)(HINSTANCE, LPCSTR, UINT, int, int, UINT)>();
  if (!IS_INTRESOURCE(name) || LOWORD(name) != 1502) return original(module, name, type, width, height, flags);
  HANDLE icon = original(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BLANK), type, width, height, flags);
  ControlPanelIcon = static_cast<HICON>(icon);
  return icon;
}

TEST_F(PopulationTest, TheControlPanelsProgramIconIsTheDefaultWhenThereIsOne) {
  ApiHook hook("USER32.dll", "LoadImageA", reinterpret_cast<void*>(LoadImageWithDefaultIcon));
  ASSERT_TRUE(hook.Installed());
  LoadImageHook = &hook;
  StartUp();

  ASSERT_NE(nullptr, ControlPanelIcon) << "appwiz.cpl did not load";
  EXPECT_EQ(std::vector<HICON>{ControlPanelIcon}, LargeAdded);
  EXPECT_FALSE(IconExists(ControlPanelIcon)) << "the image lists hold a copy";
  EXPECT_TRUE(IconExists(MainWindow.GetIcon()));
}

TEST_F(PopulationTest, ARescanKeepsTheSelectedAndTopPositionsNotThePrograms) {
  for (int i = 0; i < 60; ++i) AddProgram("Program " + std::to_string(10 + i), {});
  StartUp();
  ProgramList.EnsureVisible(59, false);
  ProgramList.EnsureVisible(20, false);
  ASSERT_EQ(20, TopIndex());
  Select(25);

  RemoveProgram("Program 10");
  Scan();
  EXPECT_EQ(20, TopIndex());
  EXPECT_EQ(25, SelectedIndex());
  EXPECT_EQ("Program 36", CellText(SelectedIndex(), 0));

  for (int i = 30; i < 70; ++i) RemoveProgram("Program " + std::to_string(i));
  Scan();
  EXPECT_EQ(19u, ListTitles().size());
  EXPECT_EQ(-1, SelectedIndex()) << "the list got shorter than the selected position";
}

}  // namespace
