#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "registry/KeyTree.h"
#include "support/AppSession.h"
#include "ui/ResourceIds.h"

namespace {

const HKEY User = HKEY_CURRENT_USER, Machine = HKEY_LOCAL_MACHINE;
const wchar_t* const Uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

using UndoRemoveTest = AppTest;

void RemoveAnsweringYes(MessageBoxCatcher& boxes, const Texts& titles, const std::string& title) {
  const auto found = std::find(titles.begin(), titles.end(), title);
  ASSERT_NE(found, titles.end()) << title << " is not listed";
  ListView_SetItemState(ProgramList.GetHandle(), found - titles.begin(), LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  boxes.Answers = {IDYES};
  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_REMOVE_ENTRY, 0);
  PumpMessages();
}

void PressControlZ() {
  BYTE keys[256] = {};
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, 'Z', 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  PumpMessages();
}

bool UndoEnabled() {
  return (GetMenuState(MainWindow.GetMenu(), IDM_UNDO_REMOVE_ENTRY, MF_BYCOMMAND) & MF_GRAYED) == 0;
}

std::string Contents(const std::string& file) {
  std::ifstream stream(std::filesystem::u8path(file), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(stream), {});
}

std::string Utf16Le(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += {c, '\0'};
  return bytes;
}

TEST_F(UndoRemoveTest, RemovedEntriesAreKeptAsRegFilesAndPutBackNewestFirstExactlyAsTheyWere) {
  Register(User, "Alpha", "Alpha");
  RegistrySandbox::Write(User, UninstallPath + std::string("Alpha\\Parts"), "Blob", REG_BINARY, std::string("\0\1", 2));
  Register(Machine, "Beta", "Beta");
  RegKeyTree before;
  ASSERT_EQ(ERROR_SUCCESS, ReadKeyTree(User, Uninstall, L"Alpha", 0, before));
  StartUp();
  EXPECT_FALSE(UndoEnabled()) << "undo with nothing removed";
  RemoveAnsweringYes(Boxes, ListTitles(), "Alpha");
  RemoveAnsweringYes(Boxes, ListTitles(), "Beta");
  EXPECT_EQ(Texts{}, ListTitles());
  EXPECT_TRUE(UndoEnabled()) << "undo after a removal";

  const std::string start = "\xFF\xFE" + Utf16Le(
                                             "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\"
                                             "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Alpha]\r\n");
  EXPECT_EQ(start, Contents(BackupFile("Alpha")).substr(0, start.size())) << "the start of Alpha's copy";
  EXPECT_EQ(MessageBoxCatcher::Describe(RemoveQuestion("Beta"), "Quillmere", MB_ICONWARNING | MB_YESNO, "main"),
            Boxes.Boxes.at(1));

  PressControlZ();
  EXPECT_EQ(Texts{"Beta"}, ListTitles()) << "the newest removal is undone first";
  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_UNDO_REMOVE_ENTRY, 0);
  PumpMessages();
  EXPECT_EQ((Texts{"Alpha", "Beta"}), ListTitles());
  EXPECT_FALSE(UndoEnabled()) << "undo once every removal is undone";
  RegKeyTree after;
  ASSERT_EQ(ERROR_SUCCESS, ReadKeyTree(User, Uninstall, L"Alpha", 0, after));
  ASSERT_EQ(1u, after.SubKeys.size()) << "Alpha's subkeys";
  EXPECT_EQ(before.SubKeys[0].Values[0].Data, after.SubKeys[0].Values[0].Data) << "Alpha\\Parts\\Blob";
  EXPECT_EQ(before.Values.size(), after.Values.size()) << "Alpha's values";
}

TEST_F(UndoRemoveTest, NoRemovalWithoutACopyAndNoUndoOverAProgramInstalledAgain) {
  Register(User, "Alpha", "Alpha");
  std::filesystem::create_directories(LocalAppData + L"\\Quillmere");
  std::ofstream(std::filesystem::path(LocalAppData + L"\\Quillmere\\Removed entries"))
      << "a file where the folder would be";
  StartUp();
  RemoveAnsweringYes(Boxes, ListTitles(), "Alpha");
  EXPECT_EQ(Texts{"Alpha"}, ListTitles()) << "removed without a copy";
  ASSERT_EQ(2u, Boxes.Boxes.size());
  EXPECT_EQ(0u, Boxes.Boxes[1].rfind("Couldn't remove the entry \"Alpha\": no copy of it could be kept in \"", 0))
      << Boxes.Boxes[1];

  std::filesystem::remove(LocalAppData + L"\\Quillmere\\Removed entries");
  RemoveAnsweringYes(Boxes, ListTitles(), "Alpha");
  EXPECT_EQ(Texts{}, ListTitles());
  Register(User, "Alpha", "Alpha again");
  SendMessageA(MainWindow.GetHandle(), WM_COMMAND, IDM_UNDO_REMOVE_ENTRY, 0);
  PumpMessages();
  EXPECT_EQ(Texts{"Alpha again"}, ListTitles()) << "the program installed again is overwritten";
  ASSERT_EQ(4u, Boxes.Boxes.size());
  EXPECT_EQ(0u, Boxes.Boxes[3].rfind("Couldn't put back the entry \"Alpha\".\n\nA registration of that name exists "
                                     "again (the program may have been installed again); it is left as it is.\n\n"
                                     "Its copy stays in \"",
                                     0))
      << Boxes.Boxes[3];
  EXPECT_TRUE(UndoEnabled()) << "the undo that could not be done is still there";
}

}  // namespace
