#pragma once
// Wrappers of the native standard controls. Buttons, edit fields and static controls are
// created and subclassed by CControl::Create; the status bar creates itself and is not
// subclassed, so its slots never run and its stored geometry stays 0.
#include <windows.h>

#include "window/Window.h"

class CButton : public CControl {
 public:
  CButton();
};

class CEdit : public CControl {
 public:
  CEdit();
};

class CStatic : public CControl {
 public:
  CStatic();
  // Returns the icon shown before; the control does not destroy it.
  HICON SetIcon(HICON icon);
};

class CStatusBar : public CControl {
 public:
  CStatusBar();
  bool Create(HWND parent, DWORD style);
  // The height that the bar has given itself on screen.
  int GetBarHeight() const;
};
