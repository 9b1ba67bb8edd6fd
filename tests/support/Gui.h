#pragma once
// Support for tests that create real windows: message pumping, window texts and positions, and a
// spy that sees the messages a window receives.
#include <windows.h>

#include <functional>
#include <string>

// Dispatches every message queued for this thread, WM_QUIT included.
void PumpMessages();

std::string WindowText(HWND window);

// The window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND window);

struct SpiedMessage {
  UINT Message = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
};

// Sits in front of a window's current procedure until destroyed and shows each message to a
// callback before the window gets it, while pointers in lParam are still valid.
class MessageSpy {
 public:
  explicit MessageSpy(HWND window);
  ~MessageSpy();
  MessageSpy(const MessageSpy&) = delete;
  MessageSpy& operator=(const MessageSpy&) = delete;

  void WhileArriving(std::function<void(const SpiedMessage&)> inspect) { Inspect = std::move(inspect); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND Window;
  WNDPROC Previous = nullptr;
  std::function<void(const SpiedMessage&)> Inspect;
};
