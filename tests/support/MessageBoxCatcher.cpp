#include "support/MessageBoxCatcher.h"

#include <algorithm>

namespace {

MessageBoxCatcher* ActiveCatcher = nullptr;

// Control ids of the text and the icon inside a message box: Windows uses 0xFFFF and 20;
// Wine uses 0xFFFF and 0x440.
const int TextId = 0xFFFF;
const int IconIds[] = {20, 0x440};

bool IsMessageBox(HWND window) {
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  return lstrcmpA(className, "#32770") == 0;
}

UINT IconStyle(HWND box) {
  HICON shown = nullptr;
  for (int id : IconIds) {
    if (GetDlgItem(box, id)) shown = reinterpret_cast<HICON>(SendDlgItemMessageA(box, id, STM_GETICON, 0, 0));
    if (shown) break;
  }
  if (!shown) return 0;
  const struct {
    LPCSTR Icon;
    UINT Style;
  } standard[] = {
      {IDI_HAND, MB_ICONERROR},
      {IDI_QUESTION, MB_ICONQUESTION},
      {IDI_EXCLAMATION, MB_ICONWARNING},
      {IDI_ASTERISK, MB_ICONINFORMATION},
  };
  for (const auto& candidate : standard)
    if (LoadIconA(nullptr, candidate.Icon) == shown) return candidate.Style;
  return MB_USERICON;
}

UINT ButtonStyle(HWND box) {
  // The box itself is not visible yet when it activates: look at the buttons' own style.
  auto has = [box](int id) {
    HWND button = GetDlgItem(box, id);
    return button != nullptr && (GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE) != 0;
  };
  if (has(IDYES) && has(IDNO)) return has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
  if (has(IDRETRY) && has(IDCANCEL)) return MB_RETRYCANCEL;
  if (has(IDOK) && has(IDCANCEL)) return MB_OKCANCEL;
  return MB_OK;
}

std::string WindowText(HWND window) {
  char text[4096] = {};
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher() {
  ActiveCatcher = this;
  Hook = SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
  UnhookWindowsHookEx(Hook);
  ActiveCatcher = nullptr;
}

std::vector<std::string> MessageBoxCatcher::Texts() const {
  std::vector<std::string> texts;
  for (const auto& box : Caught) texts.push_back(box.Text);
  return texts;
}

LRESULT CALLBACK MessageBoxCatcher::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && ActiveCatcher) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (IsMessageBox(window)) ActiveCatcher->Catch(window);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxCatcher::Catch(HWND box) {
  if (std::find(Seen.begin(), Seen.end(), box) != Seen.end()) return;
  Seen.push_back(box);

  CaughtMessageBox caught;
  caught.Text = WindowText(GetDlgItem(box, TextId));
  caught.Caption = WindowText(box);
  caught.Owner = GetWindow(box, GW_OWNER);
  caught.Style = IconStyle(box) | ButtonStyle(box);
  if (!Answers.empty()) {
    caught.Answer = Answers.front();
    Answers.pop_front();
  } else {
    caught.Answer = (caught.Style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
  }
  Caught.push_back(caught);
  if (OnOpen) OnOpen(caught);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(caught.Answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, caught.Answer)));
}
