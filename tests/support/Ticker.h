#pragma once
// Runs a callback from a thread timer while the object lives. The timer fires only where this
// thread dispatches messages, so a test that blocks in an action sees its callback run exactly
// when that action dispatches messages (the wait for a child process).
#include <windows.h>

#include <functional>

class Ticker {
 public:
  Ticker(UINT periodMs, std::function<void()> onTick);
  ~Ticker();
  Ticker(const Ticker&) = delete;
  Ticker& operator=(const Ticker&) = delete;

  int Ticks() const { return Count; }

 private:
  static void CALLBACK Proc(HWND, UINT, UINT_PTR, DWORD);

  UINT_PTR Id = 0;
  int Count = 0;
  std::function<void()> OnTick;
};
