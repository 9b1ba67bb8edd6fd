#pragma once
// Tests over the sandboxed registry with their message boxes caught; and the program's main window
// over it, which each test builds in a process of its own (its window class registers once).
#include <windows.h>

#include <commctrl.h>

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/ApiHook.h"
#include "support/RegistrySandbox.h"
#include "ui/WindowObjects.h"

using Texts = std::vector<std::string>;

// Catches every message box of this thread once, as its dialog ends its initialisation (activation
// and focus, which other windows and processes change at any time, play no part), records what it
// shows and answers it with a scripted button.
class MessageBoxCatcher {
 public:
  MessageBoxCatcher();
  ~MessageBoxCatcher();
  // "text|caption|style|owner": the icon and button bits of its style; the owner "main" for the
  // program's main window, "" for none, "other" for any other.
  static std::string Describe(const std::string& text, const std::string& caption, UINT style, const char* owner);

  Texts Boxes;              // described
  std::deque<int> Answers;  // for the next boxes; then IDNO, or IDOK without a No
  // Runs as a box opens, before it is answered: what it posts reaches the box's modal loop first.
  std::function<void()> WhileOpen;

 private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  void Catch(HWND box);
  const HHOOK Hook;
};

class RegistryTest : public ::testing::Test {
 protected:
  RegistrySandbox Registry;
  MessageBoxCatcher Boxes;
};

class AppTest : public RegistryTest {
 protected:
  AppTest();
  void SetUp() override;
  void TearDown() override;
  std::wstring LocalAppData;  // a folder of this test's own for the program's files (LOCALAPPDATA)
  ApiHook Clock;              // the local time is 2026-01-02 03:04:05
  // The file in which Remove Entry keeps its copy of the program of that title, and its question.
  std::string BackupFile(const std::string& title) const;
  std::string RemoveQuestion(const std::string& title) const;
  // What the entry function does before its message loop: the first scan, then the focus on the list.
  static void StartUp();
  static void Register(HKEY root, const std::string& keyName, const std::string& displayName,
                       const std::string& uninstallString = "uninstall.exe") {
    RegistrySandbox::Register(root, keyName, {"DisplayName=" + displayName, "UninstallString=" + uninstallString});
  }
  static void Command(WPARAM id) { SendMessageA(MainWindow.GetHandle(), WM_COMMAND, id, 0); }
  static Texts Column(int column);  // the list's, top to bottom
  static Texts ListTitles() { return Column(0); }
  static int SelectedIndex() { return ListView_GetNextItem(ProgramList.GetHandle(), -1, LVNI_SELECTED); }
  // Selects the item as a click does (selected and focused), or, with -1, none.
  static void Select(int item);
  static void Select(const std::string& title);  // the first item of that title; "": none
};

// Real keyboard and mouse input: only on the private display that scripts/test starts.
struct RealInputTest : AppTest {
  void SetUp() override;
};

// Short dates in a format of the test's (as GetDateFormatA takes one) while the hook lives, whatever
// the user's: expected dates are written as they show.
ApiHook ShortDates(const char* format);

// Dispatches every message queued for this thread, WM_QUIT included.
void PumpMessages();

// A key pressed in window as the program's own message loop takes it from the keyboard, past its
// accelerators and tab stops; with the modifier (VK_CONTROL, VK_SHIFT) held if one is given.
void PressKey(HWND window, WPARAM key, int modifier = 0);
