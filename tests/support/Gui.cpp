#include "support/Gui.h"

namespace {

const char* const SpyProperty = "QuillmereMessageSpy";

BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

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

std::string UniqueClassName() {
  static int counter = 0;
  return "QuillmereTest" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

void GuiTest::SetUp() {
  Parent = CreateWindowExA(0, "STATIC", "Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 600, 400, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, Parent);
  PumpMessages();
}

void GuiTest::TearDown() {
  std::vector<HWND> topLevel;
  EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&topLevel));
  for (HWND window : topLevel)
    if (IsWindow(window)) DestroyWindow(window);
  PumpMessages();
  Objects.clear();
}

MessageSpy::MessageSpy(HWND window) : Window(window) {
  SetPropA(Window, SpyProperty, this);
  Previous =
      reinterpret_cast<WNDPROC>(SetWindowLongA(Window, GWL_WNDPROC, reinterpret_cast<LONG>(Proc)));
}

MessageSpy::~MessageSpy() {
  if (!IsWindow(Window)) return;
  SetWindowLongA(Window, GWL_WNDPROC, reinterpret_cast<LONG>(Previous));
  RemovePropA(Window, SpyProperty);
}

std::vector<SpiedMessage> MessageSpy::Of(UINT message) const {
  std::vector<SpiedMessage> found;
  for (const auto& seen : Seen)
    if (seen.Message == message) found.push_back(seen);
  return found;
}

LRESULT CALLBACK MessageSpy::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto spy = static_cast<MessageSpy*>(GetPropA(hwnd, SpyProperty));
  SpiedMessage seen{message, wParam, lParam};
  spy->Seen.push_back(seen);
  if (spy->Inspect) spy->Inspect(seen);
  return CallWindowProcA(spy->Previous, hwnd, message, wParam, lParam);
}
