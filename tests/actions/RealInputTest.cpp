// The user's own keyboard and mouse: xdotool plays them on the X display, SendInput through
// Wine's input handling; either way they reach the program's windows through its message loop.
#include <gtest/gtest.h>

#include <functional>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "support/AppSession.h"
#include "support/LaunchInterceptor.h"
#include "support/MainLoop.h"
#include "support/TestData.h"

namespace {

using Texts = std::vector<std::string>;

// Starts xdotool, which plays its input while the program runs its loop. The tests wait for the
// effects: a Linux program started by Wine gives no handle to wait on.
bool Xdotool(const std::string& arguments) { return WinExec(("/usr/bin/xdotool " + arguments).c_str(), SW_HIDE) > 31; }

// Points in screen coordinates, which are the X root window's.
std::string At(LONG x, LONG y) { return std::to_string(x) + " " + std::to_string(y); }
std::string AtCenterOf(const RECT& rect) { return At((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2); }

void PressKey(WORD key, bool control) {
  const auto send = [](WORD virtualKey, DWORD flags) {
    keybd_event(static_cast<BYTE>(virtualKey), static_cast<BYTE>(MapVirtualKeyA(virtualKey, 0)), flags, 0);
  };
  if (control) send(VK_CONTROL, 0);
  send(key, 0);
  send(key, KEYEVENTF_KEYUP);
  if (control) send(VK_CONTROL, KEYEVENTF_KEYUP);
}

class RealInputTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    SetForegroundWindow(MainWindow.GetHandle());
    PumpMessages();
  }
};

TEST_F(RealInputTest, TypingInTheSearchBoxFiltersTheList) {
  Register(HKEY_CURRENT_USER, "w", "Text Writer Pro");
  Register(HKEY_CURRENT_USER, "p", "Paint Shop");
  Register(HKEY_LOCAL_MACHINE, "r", "Writer's Reader");
  StartUp();
  // The click gives the search box the focus; the X display's focus follows the pointer.
  RECT search;
  GetWindowRect(SearchEdit.GetHandle(), &search);
  ASSERT_TRUE(Xdotool("mousemove " + AtCenterOf(search) + " click 1 sleep 0.2 type --delay 100 writer"));
  const Texts found{"Text Writer Pro", "Writer's Reader"};
  EXPECT_TRUE(RunMainLoopUntil([&] { return SearchEdit.GetText() == "writer" && ListTitles() == found; }, 15000));
  EXPECT_EQ(found, ListTitles());
}

TEST_F(RealInputTest, RightClickOnTheColumnHeaderOpensTheColumnsMenuAndAChoiceTogglesTheColumn) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  AppSettings.ShowSizeColumn = 0;  // both shown as they are from the next population on
  AppSettings.ShowFrequencyColumn = 1;
  HMENU popup = nullptr;
  Texts items;  // each with its state
  MessageSpy spy(ProgramList.GetHandle());
  spy.WhileArriving([&](const SpiedMessage& message) {
    if (message.Message != WM_INITMENUPOPUP) return;
    popup = reinterpret_cast<HMENU>(message.WParam);
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[64] = {};
      GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
      const UINT state = GetMenuState(popup, i, MF_BYPOSITION);
      items.push_back(text + std::string(state & MF_GRAYED ? " grayed" : "") + (state & MF_CHECKED ? " checked" : ""));
    }
  });
  RECT header;
  GetWindowRect(ProgramList.GetHeader(), &header);
  ASSERT_TRUE(Xdotool("mousemove " + At(header.left + 20, (header.top + header.bottom) / 2) + " click 3"));
  // Once the menu shows (the loop's timer runs inside the menu's own loop then), "Company" is clicked.
  bool chosen = false;
  EXPECT_TRUE(RunMainLoopUntil(
      [&] {
        RECT item;
        if (!chosen && popup && GetMenuItemRect(ProgramList.GetHandle(), popup, 1, &item) && item.right > item.left)
          chosen = Xdotool("mousemove " + AtCenterOf(item) + " click 1");
        return AppSettings.ShowCompanyColumn == 0;
      },
      15000));
  EXPECT_EQ((Texts{"Program name grayed checked", "Company checked", "Size", "Frequency of use checked",
                   "Date last used"}),
            items);
  EXPECT_EQ((Texts{"Application", "Frequency of use"}), ColumnHeaders());
}

// Pressed with the list focused; the program's own message loop turns them into commands.
TEST_F(RealInputTest, TheShortcutKeysRunTheirCommands) {
  Register(HKEY_LOCAL_MACHINE, "{6A3C}", "Installer Product", "MsiExec.exe /X{6A3C}");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"), "WindowsInstaller", 1);
  StartUp();  // selects the only program
  Register(HKEY_CURRENT_USER, "z", "Zulu");  // seen only by a rescan, listed after it
  LaunchInterceptor launches;  // every launch fails: nothing really runs
  const auto boxShown = [&](const char* caption, const std::string& textStart) {
    return !Boxes.Boxes().empty() && Boxes.Boxes()[0].Caption == caption && Boxes.Boxes()[0].Text.rfind(textStart, 0) == 0;
  };
  const auto searchFocused = [] { return GetFocus() == SearchEdit.GetHandle(); };
  const struct {
    const char* Name;
    WORD Key;
    bool Control;
    std::function<bool()> Done;
  } keys[] = {
      {"F5", VK_F5, false, [] { return ListTitles() == Texts{"Installer Product", "Zulu"}; }},
      {"F3", VK_F3, false, searchFocused},
      {"Ctrl+F", 'F', true, searchFocused},
      {"F1", VK_F1, false, [&] { return boxShown("About Quillmere...", "Quillmere 1.0\r\n\r\n"); }},
      {"Ctrl+E", 'E', true, [&] { return boxShown("Quillmere", "Are you sure you want to remove entry"); }},
      {"Ctrl+I", 'I', true, [&] { return launches.CommandLines == Texts{"msiexec /f {6A3C}"}; }},
      {"Ctrl+Execute", VK_EXECUTE, true, [&] { return launches.CommandLines == Texts{"MsiExec.exe /X{6A3C}"}; }},
  };
  for (const auto& key : keys) {
    Boxes.Clear();
    launches.CommandLines.clear();
    ProgramList.SetFocus();
    PressKey(key.Key, key.Control);
    // Done once the effect shows and no box or wait keeps the window disabled.
    EXPECT_TRUE(RunMainLoopUntil([&] { return key.Done() && IsWindowEnabled(MainWindow.GetHandle()); }, 5000))
        << key.Name;
  }
  EXPECT_TRUE(RegistrySandbox::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"))) << "Ctrl+E was answered No";
}

}  // namespace
