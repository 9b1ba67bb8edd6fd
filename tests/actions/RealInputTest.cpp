// The user's own keyboard and mouse, played on the X display by xdotool: the events go through
// the X server and Wine's input handling to the program's windows and message loop.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "support/AppSession.h"
#include "support/LaunchInterceptor.h"
#include "support/MainLoop.h"
#include "support/TestData.h"

namespace {

using Texts = std::vector<std::string>;

// Starts xdotool, which plays its input on the X display while the program runs its loop. The
// tests wait for the effects: a Linux program started by Wine gives no handle to wait on.
bool Xdotool(const std::string& arguments) {
  std::string commandLine = "/usr/bin/xdotool " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  return true;
}

// Points in screen coordinates, which are the X root window's.
std::string At(LONG x, LONG y) { return std::to_string(x) + " " + std::to_string(y); }
std::string AtCenterOf(const RECT& rect) { return At((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2); }

// A key pressed on the keyboard, with Ctrl held when control is set.
void PressKey(WORD key, bool control) {
  INPUT inputs[4] = {};
  UINT count = 0;
  const auto add = [&](WORD virtualKey, DWORD flags) {
    inputs[count].type = INPUT_KEYBOARD;
    inputs[count].ki.wVk = virtualKey;
    inputs[count].ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, 0));
    inputs[count++].ki.dwFlags = flags;
  };
  if (control) add(VK_CONTROL, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  if (control) add(VK_CONTROL, KEYEVENTF_KEYUP);
  SendInput(count, inputs, sizeof(INPUT));
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
  EXPECT_EQ("2 applications", StatusText());
}

TEST_F(RealInputTest, RightClickOnTheColumnHeaderOpensTheColumnsMenuAndAChoiceTogglesTheColumn) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  ASSERT_EQ((Texts{"Application", "Size", "Company"}), ColumnHeaders());

  HMENU popup = nullptr;
  Texts items;
  MessageSpy spy(ProgramList.GetHandle());
  spy.WhileArriving([&](const SpiedMessage& message) {
    if (message.Message != WM_INITMENUPOPUP) return;
    popup = reinterpret_cast<HMENU>(message.WParam);
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[64] = {};
      GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
      items.push_back(text);
    }
  });
  RECT header;
  GetWindowRect(ProgramList.GetHeader(), &header);
  ASSERT_TRUE(Xdotool("mousemove " + At(header.left + 20, (header.top + header.bottom) / 2) + " click 3"));

  // Once the menu shows (the loop's timer runs inside the menu's own loop then), "Company" is clicked.
  bool chosen = false;
  const bool toggled = RunMainLoopUntil(
      [&] {
        RECT item;
        if (!chosen && popup && GetMenuItemRect(ProgramList.GetHandle(), popup, 1, &item) && item.right > item.left)
          chosen = Xdotool("mousemove " + AtCenterOf(item) + " click 1");
        return AppSettings.ShowCompanyColumn == 0;
      },
      15000);

  EXPECT_EQ((Texts{"Program name", "Company", "Size", "Frequency of use", "Date last used"}), items);
  EXPECT_TRUE(toggled);
  EXPECT_EQ((Texts{"Application", "Size"}), ColumnHeaders());
}

// Pressed with the list focused; the program's own message loop turns them into commands.
TEST_F(RealInputTest, TheShortcutKeysRunTheirCommands) {
  Register(HKEY_LOCAL_MACHINE, "{6A3C}", "Installer Product", "MsiExec.exe /X{6A3C}");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("{6A3C}"), "WindowsInstaller", 1);
  StartUp();  // selects the only program
  Register(HKEY_CURRENT_USER, "z", "Zulu");  // seen only by a rescan, listed after it
  LaunchInterceptor launches;  // every launch fails: nothing really runs
  const auto boxShown = [this](const char* caption, const std::string& textStart) {
    return [this, caption, textStart] {
      return !Boxes.Boxes().empty() && Boxes.Boxes()[0].Caption == caption &&
             Boxes.Boxes()[0].Text.compare(0, textStart.size(), textStart) == 0;
    };
  };
  const auto launched = [&](const char* commandLine) {
    return [&launches, commandLine] { return launches.CommandLines == Texts{commandLine}; };
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
      {"F1", VK_F1, false, boxShown("About Quillmere...", "Quillmere 1.0\r\n\r\n")},
      {"Ctrl+E", 'E', true, boxShown("Quillmere", "Are you sure you want to remove entry from the list?")},
      {"Ctrl+I", 'I', true, launched("msiexec /f {6A3C}")},
      {"Ctrl+Execute", VK_EXECUTE, true, launched("MsiExec.exe /X{6A3C}")},
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
