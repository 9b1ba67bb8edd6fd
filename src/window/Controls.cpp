#include "window/Controls.h"

#include <commctrl.h>

namespace {

void SetControlDefaults(CControl& control, const char* className, int width, int height) {
  control.ClassName = className;
  control.Width = width;
  control.Height = height;
}

}  // namespace

CButton::CButton() { SetControlDefaults(*this, "BUTTON", 50, 50); }

CEdit::CEdit() { SetControlDefaults(*this, "EDIT", 50, 50); }

CStatic::CStatic() { SetControlDefaults(*this, "STATIC", 50, 50); }

HICON CStatic::SetIcon(HICON icon) {
  return reinterpret_cast<HICON>(SendMessageA(Handle, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
}

CStatusBar::CStatusBar() { SetControlDefaults(*this, STATUSCLASSNAMEA, 0, 0); }

bool CStatusBar::Create(HWND parent, DWORD style) {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  Handle = CreateWindowExA(0, ClassName.c_str(), nullptr, style | WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr,
                           ParentInstance(parent), nullptr);
  return Handle != nullptr;
}

int CStatusBar::GetBarHeight() const {
  RECT bar = {};
  ::GetWindowRect(Handle, &bar);
  return bar.bottom - bar.top;
}
