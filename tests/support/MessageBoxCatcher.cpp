#include "support/MessageBoxCatcher.h"

#include "actions/WindowObjects.h"

namespace {

MessageBoxCatcher* Active = nullptr;
const int TextId = 0xFFFF;  // in a message box; its icon is 20 on Windows, 0x440 on Wine

std::string TextOf(HWND window) {
  char text[4096] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// The box is not shown yet: its buttons tell by their own style.
UINT Style(HWND box) {
  const auto has = [box](int id) { return (GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & WS_VISIBLE) != 0; };
  UINT style = has(IDYES) && has(IDNO) ? (has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO) : has(IDCANCEL) ? MB_OKCANCEL : 0;
  const auto icon =
      reinterpret_cast<HICON>(SendDlgItemMessageA(box, GetDlgItem(box, 20) ? 20 : 0x440, STM_GETICON, 0, 0));
  const std::pair<LPCSTR, UINT> standard[] = {{IDI_HAND, MB_ICONERROR},
                                              {IDI_EXCLAMATION, MB_ICONWARNING},
                                              {IDI_ASTERISK, MB_ICONINFORMATION},
                                              {IDI_QUESTION, MB_ICONQUESTION}};
  for (const auto& [standardIcon, iconStyle] : standard)
    if (icon && LoadIconA(nullptr, standardIcon) == icon) return style | iconStyle;
  return style | (icon ? MB_USERICON : 0);
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher()
    : Hook(SetWindowsHookExA(WH_CALLWNDPROCRET, HookProc, nullptr, GetCurrentThreadId())) {
  Active = this;
}

MessageBoxCatcher::~MessageBoxCatcher() {
  UnhookWindowsHookEx(Hook);
  Active = nullptr;
}

std::string MessageBoxCatcher::Describe(const std::string& text, const std::string& caption, UINT style,
                                        const char* owner) {
  return text + "|" + caption + "|" + std::to_string(style) + "|" + owner;
}

// A dialog of this thread with the text of a message box is caught when its initialisation has
// ended: once.
LRESULT CALLBACK MessageBoxCatcher::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  const auto& call = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  char className[8] = {};
  if (code == HC_ACTION && call.message == WM_INITDIALOG && Active && GetDlgItem(call.hwnd, TextId) &&
      GetClassNameA(call.hwnd, className, sizeof className) && !lstrcmpA(className, "#32770"))
    Active->Catch(call.hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxCatcher::Catch(HWND box) {
  const HWND owner = GetWindow(box, GW_OWNER);
  const UINT style = Style(box);
  Boxes.push_back(Describe(TextOf(GetDlgItem(box, TextId)), TextOf(box), style,
                           !owner                            ? ""
                           : owner == MainWindow.GetHandle() ? "main"
                                                             : "other"));
  int answer = (style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
  if (!Answers.empty()) answer = Answers.front(), Answers.pop_front();
  if (WhileOpen) WhileOpen();
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}
