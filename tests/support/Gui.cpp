#include "support/Gui.h"

namespace {

const char* const SpyProperty = "QuillmereMessageSpy";

}  // namespace

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

RECT RectInParent(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

MessageSpy::MessageSpy(HWND window) : Window(window) {
  SetPropA(Window, SpyProperty, this);
  Previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
}

MessageSpy::~MessageSpy() {
  if (!IsWindow(Window)) return;
  SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Previous));
  RemovePropA(Window, SpyProperty);
}

LRESULT CALLBACK MessageSpy::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto spy = static_cast<MessageSpy*>(GetPropA(hwnd, SpyProperty));
  if (spy->Inspect) spy->Inspect({message, wParam, lParam});
  return CallWindowProcA(spy->Previous, hwnd, message, wParam, lParam);
}
