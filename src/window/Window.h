#pragma once
// Window objects: one object per native window, with callback slots that the message
// dispatcher calls. Behaviour is attached by storing plain function pointers in the slots;
// there are no virtual functions, and handlers reach other windows through global objects.
#include <windows.h>

#include <cstdint>
#include <string>

class CWindow {
 public:
  using Handler = void (*)();
  using MessageHandler = void (*)(WPARAM wParam, LPARAM lParam);
  using SizeHandler = void (*)(int width, int height, WPARAM sizeType);
  using PointHandler = void (*)(WPARAM wParam, int x, int y);

  // Until the window exists the setters only store the fields; creation then uses them.
  void SetText(const std::string& text);
  // Reads the native text back into Text when the window exists.
  std::string GetText();
  void SetSize(int width, int height);
  void SetPosition(int x, int y);
  int GetWidth() const { return Width; }
  int GetHeight() const { return Height; }
  int GetX() const { return X; }
  int GetY() const { return Y; }

  bool GetWindowRect(RECT* rect) const;
  void Show(int command);
  void SetFocus();
  bool Destroy();
  void Invalidate(bool erase);
  HFONT GetFont() const;
  void SetFont(HFONT font);
  bool GetLogFont(LOGFONTA* logFont) const;

  HWND GetHandle() const { return Handle; }
  HMENU GetMenu() const { return Menu; }
  void SetMenu(HMENU menu) { Menu = menu; }

  // Calls the slot of the message; true for every message that has a slot (or a field to
  // update), whether or not the slot is set.
  bool HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND Handle = nullptr;  // kept after the window is destroyed
  HMENU Menu = nullptr;
  std::string Text;
  std::string ClassName = "CWindow";
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t X = 0;
  int32_t Y = 0;

  Handler OnClick = nullptr;
  Handler OnDoubleClick = nullptr;
  Handler OnDestroy = nullptr;
  MessageHandler OnTimer = nullptr;
  SizeHandler OnSize = nullptr;
  MessageHandler OnSizing = nullptr;
  PointHandler OnContextMenu = nullptr;
  MessageHandler OnNotify = nullptr;
  MessageHandler OnCommand = nullptr;
  MessageHandler OnChar = nullptr;
  MessageHandler OnKeyDown = nullptr;
  MessageHandler OnKeyUp = nullptr;
  MessageHandler OnDeadChar = nullptr;
  PointHandler OnMouseMove = nullptr;
  PointHandler OnLButtonUp = nullptr;
  // WM_ACTIVATE and WM_SETFOCUS: the default procedure of a top-level window, which would take the
  // focus for the window itself, never gets them.
  MessageHandler OnActivate = nullptr;
  MessageHandler OnSetFocus = nullptr;
  // WM_DPICHANGED: wParam holds the new DPI, lParam the suggested window rectangle.
  MessageHandler OnDpiChanged = nullptr;
};

// The top-level window; registers a window class of its own named ClassName.
class CApplicationWindow : public CWindow {
 public:
  CApplicationWindow();

  void SetIcon(HICON icon) { Icon = icon; }
  HICON GetIcon() const { return Icon; }
  void SetAccelerators(HACCEL accelerators) { Accelerators = accelerators; }

  bool Create(HINSTANCE instance, int showCommand);
  // Runs until WM_QUIT; accelerator keys of any window of the thread become WM_COMMAND here, and
  // Tab (Shift+Tab) moves the focus to the next (previous) child that has WS_TABSTOP.
  void RunMessageLoop();

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HICON Icon = nullptr;
  HACCEL Accelerators = nullptr;

 private:
  bool RegisterWindowClass(HINSTANCE instance) const;
};

// A native standard control, subclassed so that its messages reach the slots before the
// control's own procedure.
class CControl : public CWindow {
 public:
  bool Create(HWND parent, DWORD style = 0, DWORD exStyle = 0);
  void Subclass();

  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  WNDPROC ControlProc = nullptr;
  // The font that Create gives each new control; the stock GUI font while it is null.
  static HFONT CreationFont;

 protected:
  static HINSTANCE ParentInstance(HWND parent);
};
