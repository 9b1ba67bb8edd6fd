#include "support/MessageBoxCatcher.h"

namespace {

MessageBoxCatcher* Active = nullptr;
const char* const BoxProcProperty = "QuillmereBoxProc";
// Control ids in a message box: the text 0xFFFF; the icon 20 on Windows, 0x440 on Wine.
const int TextId = 0xFFFF, IconIds[] = {20, 0x440};

std::string TextOf(HWND window) {
  char text[4096] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

UINT IconStyle(HWND box) {
  HICON shown = nullptr;
  for (int id : IconIds)
    shown = shown ? shown : reinterpret_cast<HICON>(SendDlgItemMessageA(box, id, STM_GETICON, 0, 0));
  const std::pair<LPCSTR, UINT> standard[] = {{IDI_HAND, MB_ICONERROR},
                                              {IDI_EXCLAMATION, MB_ICONWARNING},
                                              {IDI_ASTERISK, MB_ICONINFORMATION},
                                              {IDI_QUESTION, MB_ICONQUESTION}};
  for (const auto& [icon, style] : standard)
    if (shown && LoadIconA(nullptr, icon) == shown) return style;
  return shown ? MB_USERICON : 0;
}

// The box is not shown yet: its buttons tell by their own style.
UINT ButtonStyle(HWND box) {
  const auto has = [box](int id) { return (GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & WS_VISIBLE) != 0; };
  if (has(IDYES) && has(IDNO)) return has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
  return has(IDCANCEL) ? MB_OKCANCEL : MB_OK;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher() : Hook(SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId())) {
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

std::vector<std::string> MessageBoxCatcher::Texts() const {
  std::vector<std::string> texts;
  for (const std::string& box : Boxes) texts.push_back(box.substr(0, box.find('|')));
  return texts;
}

// Every dialog of this thread is watched from its creation on.
LRESULT CALLBACK MessageBoxCatcher::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  const auto window = reinterpret_cast<HWND>(wParam);
  char className[8] = {};
  if (code == HCBT_CREATEWND && GetClassNameA(window, className, sizeof className) && !lstrcmpA(className, "#32770"))
    SetPropA(window, BoxProcProperty,
             reinterpret_cast<HANDLE>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BoxProc))));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A dialog with the text of a message box is caught when its initialisation has ended: once.
LRESULT CALLBACK MessageBoxCatcher::BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result =
      CallWindowProcW(reinterpret_cast<WNDPROC>(GetPropA(box, BoxProcProperty)), box, message, wParam, lParam);
  if (message == WM_INITDIALOG && Active && GetDlgItem(box, TextId)) Active->Catch(box);
  return result;
}

void MessageBoxCatcher::Catch(HWND box) {
  const HWND owner = GetWindow(box, GW_OWNER);
  const UINT style = IconStyle(box) | ButtonStyle(box);
  Boxes.push_back(Describe(TextOf(GetDlgItem(box, TextId)), TextOf(box), style,
                           !owner                ? ""
                           : owner == MainWindow ? "main"
                                                 : "other"));
  int answer = (style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
  if (!Answers.empty()) answer = Answers.front(), Answers.pop_front();
  if (WhileOpen) WhileOpen();
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}
