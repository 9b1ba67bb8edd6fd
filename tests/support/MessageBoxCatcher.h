#pragma once
// Catches every message box that this thread opens, records what it shows and answers it with a
// scripted button, so that tests assert boxes and are never blocked. A box is caught once, as its
// dialog ends its initialisation: activation and focus, which other windows and processes change at
// any time, play no part.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

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
