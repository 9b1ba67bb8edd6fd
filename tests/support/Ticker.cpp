#include "support/Ticker.h"

namespace {

Ticker* Active = nullptr;

}  // namespace

Ticker::Ticker(UINT periodMs, std::function<void()> onTick) : OnTick(std::move(onTick)) {
  Active = this;
  Id = SetTimer(nullptr, 0, periodMs, Proc);
}

Ticker::~Ticker() {
  KillTimer(nullptr, Id);
  Active = nullptr;
}

void CALLBACK Ticker::Proc(HWND, UINT, UINT_PTR, DWORD) {
  if (!Active) return;
  ++Active->Count;
  Active->OnTick();
}
