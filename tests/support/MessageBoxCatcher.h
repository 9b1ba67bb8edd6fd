#pragma once
// Catches every message box that this thread opens (a WH_CBT hook), records what it shows and
// answers it with a scripted button, so that tests assert error boxes and are never blocked.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct CaughtMessageBox {
  std::string Text;
  std::string Caption;
  HWND Owner = nullptr;
  UINT Style = 0;  // icon and button bits, read back from the box (MB_ICONERROR | MB_YESNO ...)
  int Answer = 0;  // the button pressed (IDOK, IDYES, IDNO ...)
};

class MessageBoxCatcher {
 public:
  MessageBoxCatcher();
  ~MessageBoxCatcher();
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  // The next box is answered with this button; without a scripted answer a box gets
  // IDOK, or IDNO when it has no OK button.
  void QueueAnswer(int button) { Answers.push_back(button); }

  // Runs when a box opens, before its answer is posted: messages posted from here reach the
  // box's modal loop ahead of the answer.
  void WhileOpen(std::function<void(const CaughtMessageBox&)> action) { OnOpen = std::move(action); }

  const std::vector<CaughtMessageBox>& Boxes() const { return Caught; }
  std::vector<std::string> Texts() const;
  void Clear() { Caught.clear(); }

 private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  void Catch(HWND box);

  HHOOK Hook = nullptr;
  std::deque<int> Answers;
  std::vector<CaughtMessageBox> Caught;
  std::vector<HWND> Seen;
  std::function<void(const CaughtMessageBox&)> OnOpen;
};
