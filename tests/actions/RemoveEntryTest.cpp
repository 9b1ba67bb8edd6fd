#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "listview/ListColumns.h"
#include "registry/KeyTree.h"
#include "support/AppSession.h"
#include "ui/ResourceIds.h"

namespace {

using RemoveEntryTest = AppTest;
const HKEY User = HKEY_CURRENT_USER, Machine = HKEY_LOCAL_MACHINE;

// Once armed, RegOpenKeyExA fails to open the uninstall key, once.
bool OpenFailureDue = false;
LONG WINAPI FailUninstallKeyOnce(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
  if (OpenFailureDue && path && UninstallPath == std::string(path)) return OpenFailureDue = false, ERROR_ACCESS_DENIED;
  return ApiHook::Original(&FailUninstallKeyOnce)(root, path, options, access, key);
}

bool UndoEnabled() { return !(GetMenuState(MainWindow.GetMenu(), IDM_UNDO_REMOVE_ENTRY, MF_BYCOMMAND) & MF_GRAYED); }
bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

TEST_F(RemoveEntryTest, AnEntryGoesWholeAndOnlyWithACopyAndUndoPutsItBackNewestFirstButNeverOverAnother) {
  Register(User, "Alpha", "Alpha");
  RegistrySandbox::Write(User, UninstallPath + std::string("Alpha\\Parts"), "Blob", REG_BINARY, std::string("\0\1", 2));
  Register(Machine, "Beta", "Beta");
  Register(User, "Kept", "Kept");
  const wchar_t* const uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  RegKeyTree before, after;
  ASSERT_EQ(0, ReadKeyTree(User, uninstall, L"Alpha", 0, before));
  const std::wstring folder = LocalAppData + L"\\Quillmere\\Removed entries";
  std::filesystem::create_directories(LocalAppData + L"\\Quillmere");
  std::ofstream(std::filesystem::path(folder)) << "a file where the folder would be";
  ApiHook open("ADVAPI32.dll", "RegOpenKeyExA", &FailUninstallKeyOnce);
  StartUp();
  EXPECT_FALSE(UndoEnabled()) << "undo with nothing removed";
  const auto remove = [&](int item) { Select(item), Boxes.Answers = {IDYES}, Command(IDM_REMOVE_ENTRY); };
  remove(1);  // Beta, with no place for its copy
  std::filesystem::remove(folder);
  OpenFailureDue = true;
  remove(0);
  EXPECT_EQ((Texts{"Alpha", "Beta", "Kept"}), ListTitles()) << "removed without a copy, or without the uninstall key";
  remove(0);
  remove(0);
  EXPECT_EQ(Texts{"Kept"}, ListTitles());
  EXPECT_TRUE(UndoEnabled()) << "undo after a removal";
  std::ifstream file(std::filesystem::u8path(BackupFile("Alpha")), std::ios::binary);
  const std::string copy(std::istreambuf_iterator<char>(file), {});
  const std::u16string start =
      u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\"
      u"Microsoft\\Windows\\CurrentVersion\\Uninstall\\Alpha]\r\n";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(start.data()), 2 * start.size()),
            copy.substr(0, 2 * start.size()))
      << "the start of Alpha's copy";
  BYTE keys[256] = {};
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, 'Z', 0);
  EXPECT_EQ((Texts{"Beta", "Kept"}), ListTitles()) << "the newest removal is undone first";
  Command(IDM_UNDO_REMOVE_ENTRY);
  EXPECT_EQ((Texts{"Alpha", "Beta", "Kept"}), ListTitles());
  EXPECT_FALSE(UndoEnabled()) << "undo once every removal is undone";
  ASSERT_EQ(0, ReadKeyTree(User, uninstall, L"Alpha", 0, after));
  ASSERT_EQ(1u, after.SubKeys.size()) << "Alpha's subkeys";
  EXPECT_EQ(before.SubKeys[0].Values[0].Data, after.SubKeys[0].Values[0].Data) << "Alpha\\Parts\\Blob";
  EXPECT_EQ(before.Values.size(), after.Values.size()) << "Alpha's values";
  remove(1);
  Register(Machine, "Beta", "Beta again");
  Command(IDM_UNDO_REMOVE_ENTRY);
  EXPECT_EQ((Texts{"Alpha", "Beta again", "Kept"}), ListTitles()) << "the program installed again is overwritten";
  EXPECT_TRUE(UndoEnabled()) << "the undo that could not be done is still there";
  ASSERT_EQ(8u, Boxes.Boxes.size());
  EXPECT_PRED2(StartsWith, Boxes.Boxes[1], "Couldn't remove the entry \"Beta\": no copy of it could be kept in \"");
  EXPECT_EQ("Couldn't remove the entry \"Alpha\".\n\nAccess denied.|Quillmere|16|main", Boxes.Boxes[3]);
  EXPECT_PRED2(StartsWith, Boxes.Boxes[7],
               "Couldn't put back the entry \"Beta\".\n\nA registration of that name exists again (the program may "
               "have been installed again); it is left as it is.\n\nIts copy stays in \"");
}

// Wine's installer knows no product. Only the selected entry's status is found at the start.
TEST_F(RemoveEntryTest, TheStatusColumnIsHiddenAtFirstAndShowsEachRowsStatusAndSortsByIt) {
  const std::string gone = "C:\\Gone Program\\un.exe";
  Register(Machine, "{00000000-0000-0000-0000-000000000001}", "B Product", "MsiExec.exe /X{1}");
  Register(Machine, "gone", "C Gone", "\"" + gone + "\" /S");
  Register(Machine, "here", "A Here", "rundll32.exe C:\\Gone Program\\x.dll,Uninstall");
  Register(Machine, "later", "D Later", gone);
  StartUp();
  for (const ProgramEntry& entry : ProgramInventory)  // the pane's, after the first paint
    EXPECT_EQ(Title(entry) == "A Here" ? 0 : -1, entry.Status) << Title(entry) << ": status known at the start";
  Command(IDM_COLUMN_STATUS);
  NMLISTVIEW click = {};  // before any row shows its status
  click.hdr = {ProgramList.GetHandle(), 0, static_cast<UINT>(LVN_COLUMNCLICK)};
  click.iSubItem = StatusColumnIndex;
  SendMessageA(MainWindow.GetHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ((Texts{"A Here", "C Gone", "D Later", "B Product"}), ListTitles());
  EXPECT_EQ((Texts{"", "Uninstaller missing", "Uninstaller missing", "Not installed (Windows Installer)"}),
            Column(StatusColumnIndex));
  Select(1);
  Sleep(20);  // the pane's status comes with a timer
  PumpMessages();
  EXPECT_EQ("Uninstaller missing", StatusValue.GetText());
}

}  // namespace
