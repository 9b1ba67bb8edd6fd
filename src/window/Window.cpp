#include "window/Window.h"

#include <vector>

#include "window/Dpi.h"

namespace {

const UINT KeepZOrderAndActivation = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

// The 16-bit halves of lParam, widened without sign: sizes.
int LowWord(LPARAM lParam) { return LOWORD(lParam); }
int HighWord(LPARAM lParam) { return HIWORD(lParam); }

// The 16-bit halves of lParam, widened with sign: positions, which are negative on a monitor left
// of or above the primary one.
int PositionX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int PositionY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

// Calls the slot when it is set; a message of the dispatch table counts as handled either way.
template <typename Slot, typename... Arguments>
bool Dispatch(Slot slot, Arguments... arguments) {
  if (slot) slot(arguments...);
  return true;
}

CWindow* WindowOf(HWND hwnd) { return reinterpret_cast<CWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }

void AttachWindow(HWND hwnd, CWindow* window) {
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
}

// Tab and Shift+Tab pressed in a child of main move the focus along main's tab stops.
bool MovedFocusOnTab(HWND main, const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || !IsChild(main, message.hwnd)) return false;
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  if (HWND next = GetNextDlgTabItem(main, GetFocus(), GetKeyState(VK_SHIFT) < 0)) SetFocus(next);
  return true;
}

}  // namespace

void CWindow::SetText(const std::string& text) {
  Text = text;
  if (Handle) SetWindowTextA(Handle, Text.c_str());
}

std::string CWindow::GetText() {
  if (Handle) {
    int length = GetWindowTextLengthA(Handle);
    if (length > 0) {
      std::vector<char> buffer(length + 1);
      GetWindowTextA(Handle, buffer.data(), length + 1);
      Text = buffer.data();
    } else {
      Text.clear();
    }
  }
  return Text;
}

void CWindow::SetSize(int width, int height) {
  Width = width;
  Height = height;
  if (Handle) SetWindowPos(Handle, nullptr, 0, 0, width, height, SWP_NOMOVE | KeepZOrderAndActivation);
}

void CWindow::SetPosition(int x, int y) {
  X = x;
  Y = y;
  if (Handle) SetWindowPos(Handle, nullptr, x, y, 0, 0, SWP_NOSIZE | KeepZOrderAndActivation);
}

bool CWindow::GetWindowRect(RECT* rect) const { return ::GetWindowRect(Handle, rect) != FALSE; }

void CWindow::Show(int command) { ShowWindow(Handle, command); }

void CWindow::SetFocus() { ::SetFocus(Handle); }

bool CWindow::Destroy() { return DestroyWindow(Handle) != FALSE; }

void CWindow::Invalidate(bool erase) { InvalidateRect(Handle, nullptr, erase); }

HFONT CWindow::GetFont() const { return reinterpret_cast<HFONT>(SendMessageA(Handle, WM_GETFONT, 0, 0)); }

void CWindow::SetFont(HFONT font) { SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE); }

bool CWindow::GetLogFont(LOGFONTA* logFont) const { return GetObjectA(GetFont(), sizeof(LOGFONTA), logFont) != 0; }

bool CWindow::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      if (OnDestroy) OnDestroy();
      PostQuitMessage(0);
      return true;
    case WM_MOVE:
      X = PositionX(lParam);
      Y = PositionY(lParam);
      return true;
    case WM_SIZE:
      Width = LowWord(lParam);
      Height = HighWord(lParam);
      return Dispatch(OnSize, Width, Height, wParam);
    case WM_NOTIFY: return Dispatch(OnNotify, wParam, lParam);
    case WM_CONTEXTMENU: return Dispatch(OnContextMenu, wParam, PositionX(lParam), PositionY(lParam));
    case WM_KEYDOWN: return Dispatch(OnKeyDown, wParam, lParam);
    case WM_KEYUP: return Dispatch(OnKeyUp, wParam, lParam);
    case WM_CHAR: return Dispatch(OnChar, wParam, lParam);
    case WM_DEADCHAR: return Dispatch(OnDeadChar, wParam, lParam);
    case WM_COMMAND: return Dispatch(OnCommand, wParam, lParam);
    case WM_TIMER: return Dispatch(OnTimer, wParam, lParam);
    case WM_MOUSEMOVE: return Dispatch(OnMouseMove, wParam, PositionX(lParam), PositionY(lParam));
    case WM_LBUTTONUP: Dispatch(OnLButtonUp, wParam, PositionX(lParam), PositionY(lParam)); return Dispatch(OnClick);
    case WM_LBUTTONDBLCLK: return Dispatch(OnDoubleClick);
    case WM_SIZING: return Dispatch(OnSizing, wParam, lParam);
    case WM_ACTIVATE: return Dispatch(OnActivate, wParam, lParam);
    case WM_SETFOCUS: return Dispatch(OnSetFocus, wParam, lParam);
    case WM_DPICHANGED: return Dispatch(OnDpiChanged, wParam, lParam);
    default: return false;
  }
}

CApplicationWindow::CApplicationWindow() {
  ClassName = "CApplicationWindow";
  X = CW_USEDEFAULT;
  Y = CW_USEDEFAULT;
  Width = 544;
  Height = 375;
}

bool CApplicationWindow::RegisterWindowClass(HINSTANCE instance) const {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = Icon;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = ClassName.c_str();
  return RegisterClassExA(&windowClass) != 0;
}

bool CApplicationWindow::Create(HINSTANCE instance, int showCommand) {
  if (!RegisterWindowClass(instance)) return false;
  Handle = CreateWindowExA(0, ClassName.c_str(), Text.c_str(), WS_OVERLAPPEDWINDOW, X, Y, Width, Height, nullptr, Menu,
                           instance, static_cast<CWindow*>(this));
  if (!Handle) return false;
  ShowWindow(Handle, showCommand);
  return true;
}

void CApplicationWindow::RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) {
    if (Accelerators && TranslateAcceleratorA(Handle, Accelerators, &message)) continue;
    if (MovedFocusOnTab(Handle, message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

LRESULT CALLBACK CApplicationWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    auto creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    AttachWindow(hwnd, static_cast<CWindow*>(creation->lpCreateParams));
  }
  CWindow* window = WindowOf(hwnd);
  if (window && window->HandleMessage(hwnd, message, wParam, lParam)) return 0;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HFONT CControl::CreationFont = nullptr;

bool CControl::Create(HWND parent, DWORD style, DWORD exStyle) {
  Handle = CreateWindowExA(exStyle, ClassName.c_str(), Text.c_str(), style | WS_CHILD | WS_VISIBLE, X, Y, Width, Height,
                           parent, nullptr, ParentInstance(parent), this);
  if (!Handle) return false;
  // A new control is drawn whole when it is first painted: drawing it now, in its font, would be wasted.
  if (HGDIOBJ font = CreationFont ? CreationFont : GetStockObject(DEFAULT_GUI_FONT))
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  Subclass();
  return true;
}

HINSTANCE CControl::ParentInstance(HWND parent) {
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
}

void CControl::Subclass() {
  AttachWindow(Handle, this);
  ControlProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
}

LRESULT CALLBACK CControl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // Only controls that went through Subclass() get here, so the object is always attached.
  auto control = static_cast<CControl*>(WindowOf(hwnd));
  control->HandleMessage(hwnd, message, wParam, lParam);
  return CallWindowProcA(control->ControlProc, hwnd, message, wParam, lParam);
}
