#pragma once
// Tests over the sandboxed registry with their message boxes caught; and the whole program's main
// window over it, built once per test process (its window class registers only once): under ctest
// each test case runs in a process of its own.
#include <windows.h>

#include <commctrl.h>

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "actions/WindowObjects.h"
#include "support/ApiHook.h"
#include "support/RegistrySandbox.h"

using Texts = std::vector<std::string>;

// Catches every message box that this thread opens, records what it shows and answers it with a
// scripted button, so that tests assert boxes and are never blocked. A box is caught once, as its
// dialog ends its initialisation: activation and focus, which other windows and processes change at
// any time, play no part.
class MessageBoxCatcher {
 public:
  MessageBoxCatcher();
  ~MessageBoxCatcher();

  // "text|caption|style|owner": the icon and button bits of its style, and "main" for an owner that
  // is the program's main window, "" for none, "other" for any other.
  static std::string Describe(const std::string& text, const std::string& caption, UINT style, const char* owner);

  std::vector<std::string> Boxes;  // described
  std::deque<int> Answers;         // the buttons that the next boxes get; then IDNO, or IDOK without a No
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
  void SetUp() override;
  void TearDown() override;

  // What the entry function does before its message loop: the first scan, then the focus on the list.
  static void StartUp();
  // A registration with a DisplayName and an UninstallString.
  static void Register(HKEY root, const std::string& keyName, const std::string& displayName,
                       const std::string& uninstallString = "uninstall.exe") {
    RegistrySandbox::Register(root, keyName, {"DisplayName=" + displayName, "UninstallString=" + uninstallString});
  }
  static void Command(WPARAM id) { SendMessageA(MainWindow.GetHandle(), WM_COMMAND, id, 0); }
  // The texts of a column of the list, top to bottom.
  static Texts Column(int column);
  static Texts ListTitles() { return Column(0); }
  static int SelectedIndex() { return ListView_GetNextItem(ProgramList.GetHandle(), -1, LVNI_SELECTED); }
  // Selects the item as a click does (selected and focused), or, with -1, none.
  static void Select(int item);
};

// Real keyboard and mouse input: only on the private display that scripts/test starts.
struct RealInputTest : AppTest {
  void SetUp() override;
};

// Dispatches every message queued for this thread, WM_QUIT included.
void PumpMessages();
// Runs the program's own message loop (which translates the accelerators) until done() holds or
// timeoutMs have passed; returns done(). A thread timer checks done() every 10 ms, so also while a
// message box runs its modal loop.
bool RunMainLoopUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);
