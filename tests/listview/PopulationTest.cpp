#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "actions/Scan.h"
#include "actions/Settings.h"
#include "actions/WindowObjects.h"
#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "inventory/ProgramEntry.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/TestData.h"

namespace {

using Texts = std::vector<std::string>;
using Extraction = std::pair<std::string, int>;

// What the stand-ins for ExtractIconExA and ImageList_ReplaceIcon saw.
std::vector<Extraction> Extractions;
std::vector<HICON> HandedOut;   // by successful extractions, large and small
std::vector<HICON> LargeAdded;  // to the list's large images
ApiHook *ExtractHook = nullptr, *ReplaceHook = nullptr;

UINT WINAPI RecordExtraction(LPCSTR path, int index, HICON* large, HICON* small, UINT count) {
  Extractions.push_back({path, index});
  const UINT result = ExtractHook->Original<decltype(&RecordExtraction)>()(path, index, large, small, count);
  if (result != 0 && result != UINT_MAX) HandedOut.insert(HandedOut.end(), {*large, *small});
  return result;
}

int WINAPI RecordAddition(HIMAGELIST images, int index, HICON icon) {
  if (images == ProgramList.LargeImages) LargeAdded.push_back(icon);
  return ReplaceHook->Original<decltype(&RecordAddition)>()(images, index, icon);
}

bool IconExists(HICON icon) {
  HICON copy = CopyIcon(icon);
  return copy && DestroyIcon(copy);
}

class PopulationTest : public AppTest {
 protected:
  void SetUp() override {
    ExtractHook = &Extract;
    ReplaceHook = &Replace;
    AppTest::SetUp();
  }

  static void AddProgram(const std::string& key, std::vector<std::pair<std::string, std::string>> values,
                         DWORD kilobytes = 0, std::vector<UsageRecord> usage = {}) {
    values.push_back({"UninstallString", "uninstall.exe"});
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, key, values);
    if (kilobytes) RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey(key), "EstimatedSize", kilobytes);
    for (const UsageRecord& record : usage) RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, key, record);
  }
  // A record of the usual size with the path of the program used, once.
  static UsageRecord UsedFrom(const std::wstring& path) { return {552, 1, 0, 0, 0, 1, path}; }

  // The image of each item, then the numbers of large and of small images.
  static std::vector<int> Images() {
    std::vector<int> images;
    for (LVITEMA image = {}; image.iItem < static_cast<int>(ListTitles().size()); ++image.iItem) {
      image.mask = LVIF_IMAGE;
      SendMessageA(ProgramList.GetHandle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&image));
      images.push_back(image.iImage);
    }
    images.insert(images.end(),
                  {ImageList_GetImageCount(ProgramList.LargeImages), ImageList_GetImageCount(ProgramList.SmallImages)});
    return images;
  }

  ApiHook Extract{"SHELL32.dll", "ExtractIconExA", reinterpret_cast<void*>(RecordExtraction)};
  ApiHook Replace{"COMCTL32.dll", "ImageList_ReplaceIcon", reinterpret_cast<void*>(RecordAddition)};
};

TEST_F(PopulationTest, ItemsAreSortedByNameWithTheirCellsAndTheStatusBarCountsThem) {
  AppSettings.ShowFrequencyColumn = AppSettings.ShowLastUsedColumn = 1;
  const FILETIME spring = FileTimeOf(2021, 3, 4, 12), autumn = FileTimeOf(2019, 10, 30, 12);
  AddProgram("anonymous", {{"DisplayName", "anonymous"}});
  AddProgram("estimated", {{"DisplayName", "Estimated"}, {"Publisher", "Acme"}}, 1500);
  AddProgram("big", {{"DisplayName", "Big estimate"}}, 3 * 1024 * 1024);
  AddProgram("huge", {{"DisplayName", "Huge"}, {"Publisher", "Usage Corp"}}, 0, {UsageOf(5ll << 30, 7, spring)});
  AddProgram("quiet", {{"QuietDisplayName", "Quiet name"}});
  AddProgram("uncounted", {{"DisplayName", "Uncounted"}}, 0, {UsageOf(999, -1, autumn)});
  AddProgram("unused", {{"DisplayName", "Unused"}}, 1500, {UsageOf(0, 0, autumn)});  // usage data without a size
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
  ASSERT_EQ(rows.size(), ListTitles().size());
  for (int item = 0; item < 7; ++item)
    for (int column = 0; column < 5; ++column) EXPECT_EQ(rows[item][column], CellText(item, column)) << item;
  EXPECT_EQ(0, SelectedIndex());

  for (auto search : {Texts{"", "7 applications"}, Texts{"ESTIM", "2 applications"}, Texts{"quiet", "1 applications"},
                      Texts{"none", "Nothing found"}}) {
    SearchEdit.SetText(search[0]);
    RequestScan();
    EXPECT_EQ(search[1], StatusText()) << search[0];
  }
  EXPECT_TRUE(ListTitles().empty() && ProgramInventory.empty());
}

TEST_F(PopulationTest, TheIconIsTheDisplayIconSplitAtTheLastCommaElseTheUsedProgramsPath) {
  const std::pair<const char*, Extraction> locations[] = {
      {"C:\\a\\two.dll,2", {"C:\\a\\two.dll", 2}},
      {"C:\\a\\minus.dll,-2", {"C:\\a\\minus.dll", 2}},
      {"C:\\a\\blanks.dll, 2 ", {"C:\\a\\blanks.dll", 2}},
      {"C:\\a\\suffix.dll,2x", {"C:\\a\\suffix.dll", 0}},
      {"C:\\a\\trailing.dll,", {"C:\\a\\trailing.dll", 0}},
      {"C:\\one,two\\three,four.dll,3", {"C:\\one,two\\three,four.dll", 3}},
  };
  std::vector<Extraction> expected;
  char key[] = "a";
  for (const auto& location : locations) {
    AddProgram(key, {{"DisplayIcon", location.first}});
    expected.push_back(location.second);
    ++key[0];
  }
  AddProgram("x", {{"DisplayIcon", "C:\\a\\icons.dll,1"}}, 0, {UsedFrom(L"C:\\a\\other.exe")});
  AddProgram("y", {}, 0, {UsedFrom(L"C:\\a\\program.exe")});
  AddProgram("z", {}, 0, {UsageOf(100, 1)});
  expected.insert(expected.end(), {{"C:\\a\\icons.dll", 1}, {"C:\\a\\program.exe", 0}});
  StartUp();

  EXPECT_EQ(expected, Extractions);  // in inventory order: the registry enumerates keys sorted
  EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}), Images());
}

// A failed extraction leaves Wine's handles holding garbage: only the returned count is trusted.
TEST_F(PopulationTest, IconsAreExtractedOncePerLocationWhileTheFileIsUnchangedAndFailuresShowTheDefault) {
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  const std::string own = folder + std::string("quillmere-icons-") + std::to_string(GetCurrentProcessId()) + ".exe";
  ASSERT_TRUE(CopyFileA(ThisExecutable().c_str(), own.c_str(), FALSE));
  const Extraction notes = {WindowsFile("notepad.exe"), 0}, missing = {"C:\\no such folder\\program.exe", 1},
                   noSuchIcon = {WindowsFile("notepad.exe"), 99};
  AddProgram("a", {{"DisplayIcon", notes.first}});
  AddProgram("b", {{"DisplayIcon", own}});
  AddProgram("c", {{"DisplayIcon", own}});
  AddProgram("d", {{"DisplayIcon", missing.first + ",1"}});
  AddProgram("e", {{"DisplayIcon", noSuchIcon.first + ",99"}});
  AddProgram("f", {});
  StartUp();
  EXPECT_EQ((std::vector<int>{1, 2, 2, 0, 0, 0, 3, 3}), Images());

  RequestScan();  // only the missing file is tried again
  HANDLE file = CreateFileA(own.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, "!", 1, &written, nullptr);
  CloseHandle(file);
  RequestScan();
  DeleteFileA(own.c_str());
  EXPECT_EQ((std::vector<Extraction>{notes, {own, 0}, missing, noSuchIcon, missing, {own, 0}, missing}), Extractions);
  EXPECT_EQ((std::vector<int>{1, 3, 3, 0, 0, 0, 4, 4}), Images());
  ASSERT_EQ(6u, HandedOut.size());
  EXPECT_EQ((std::vector<HICON>{MainWindow.GetIcon(), HandedOut[0], HandedOut[2], HandedOut[4]}), LargeAdded)
      << "the default is the application icon";
  for (HICON icon : HandedOut) EXPECT_FALSE(IconExists(icon)) << "the image lists hold copies";
  EXPECT_TRUE(IconExists(MainWindow.GetIcon()));
}

}  // namespace
