#include "app/Scan.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/IconExtractionSpy.h"

namespace {

using ScanTest = AppTest;

TEST_F(ScanTest, TheStatusBarCountsTheProgramsWithoutASingularForm) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  Register(HKEY_LOCAL_MACHINE, "b", "Beta");
  Register(HKEY_LOCAL_MACHINE, "c", "Gamma");
  StartUp();
  EXPECT_EQ("3 applications", StatusText());

  RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, UninstallPath + std::string("b"));
  RegistrySandbox::DeleteTree(HKEY_LOCAL_MACHINE, UninstallPath + std::string("c"));
  Scan();
  EXPECT_EQ("1 applications", StatusText());
}

TEST_F(ScanTest, AnEmptyInventoryReadsNothingFound) {
  StartUp();
  EXPECT_EQ("Nothing found", StatusText());
  EXPECT_TRUE(ListTitles().empty());
}

TEST_F(ScanTest, ASearchCountsWhatItKeepsAndReadsNothingFoundWhenNothingMatches) {
  Register(HKEY_CURRENT_USER, "a", "Text Writer Pro");
  Register(HKEY_LOCAL_MACHINE, "b", "Writer Tools");
  Register(HKEY_LOCAL_MACHINE, "c", "Gamma");
  StartUp();

  SearchEdit.SetText("writer");
  Scan();
  EXPECT_EQ("2 applications", StatusText());
  EXPECT_EQ((std::vector<std::string>{"Text Writer Pro", "Writer Tools"}), ListTitles());

  SearchEdit.SetText("no such program");
  Scan();
  EXPECT_EQ("Nothing found", StatusText());
  EXPECT_TRUE(ListTitles().empty());
}

struct CursorChange {
  std::string Cursor;
  std::string Status;
  size_t Extractions;
};

using LoadCursorFunction = HCURSOR(WINAPI*)(HINSTANCE, LPCSTR);
using SetCursorFunction = HCURSOR(WINAPI*)(HCURSOR);

ApiHook* LoadCursorHook = nullptr;
ApiHook* SetCursorHook = nullptr;
IconExtractionSpy* Extractions = nullptr;
std::vector<std::pair<HINSTANCE, ULONG_PTR>> CursorsLoaded;
std::vector<CursorChange> CursorChanges;

HCURSOR WINAPI RecordLoadCursor(HINSTANCE instance, LPCSTR name) {
  CursorsLoaded.push_back({instance, reinterpret_cast<ULONG_PTR>(name)});
  return LoadCursorHook->Original<LoadCursorFunction>()(instance, name);
}

std::string CursorName(HCURSOR cursor) {
  auto load = LoadCursorHook->Original<LoadCursorFunction>();
  if (cursor == load(nullptr, IDC_WAIT)) return "wait";
  if (cursor == load(nullptr, IDC_ARROW)) return "arrow";
  return "other";
}

HCURSOR WINAPI RecordSetCursor(HCURSOR cursor) {
  CursorChanges.push_back({CursorName(cursor), WindowText(StatusBar.GetHandle()), Extractions->Calls().size()});
  return SetCursorHook->Original<SetCursorFunction>()(cursor);
}

TEST_F(ScanTest, TheWaitCursorStaysFromTheStartUntilTheStatusBarIsWritten) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  Register(HKEY_CURRENT_USER, "b", "Beta");
  RegistrySandbox::WriteString(HKEY_CURRENT_USER, UninstallPath + std::string("b"), "DisplayIcon", "C:\\b.exe");

  IconExtractionSpy icons(IconExtractionSpy::NoIcons);
  ApiHook loadCursor("USER32.dll", "LoadCursorA", reinterpret_cast<void*>(RecordLoadCursor));
  ApiHook setCursor("USER32.dll", "SetCursor", reinterpret_cast<void*>(RecordSetCursor));
  ASSERT_TRUE(loadCursor.Installed());
  ASSERT_TRUE(setCursor.Installed());
  CursorsLoaded.clear();
  CursorChanges.clear();
  LoadCursorHook = &loadCursor;
  SetCursorHook = &setCursor;
  Extractions = &icons;
  Scan();
  Extractions = nullptr;

  const std::vector<std::pair<HINSTANCE, ULONG_PTR>> loaded = {{nullptr, 0x7F02}, {nullptr, 0x7F00}};
  EXPECT_EQ(loaded, CursorsLoaded);
  ASSERT_EQ(2u, CursorChanges.size());
  EXPECT_EQ("wait", CursorChanges[0].Cursor);
  EXPECT_EQ("1 applications", CursorChanges[0].Status);
  EXPECT_EQ(0u, CursorChanges[0].Extractions);
  EXPECT_EQ("arrow", CursorChanges[1].Cursor);
  EXPECT_EQ("2 applications", CursorChanges[1].Status);
  EXPECT_EQ(1u, CursorChanges[1].Extractions) << "the list is populated between the two cursors";
}

}  // namespace
