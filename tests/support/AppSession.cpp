#include "support/AppSession.h"

#include <cstdlib>

#include "actions/Scan.h"
#include "actions/Settings.h"
#include "app/MainWindow.h"

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

std::function<bool()> LoopDone;
DWORD LoopDeadline = 0;

void CALLBACK EndLoopWhenDone(HWND, UINT, UINT_PTR, DWORD) {
  if (!LoopDone || (!LoopDone() && static_cast<LONG>(GetTickCount() - LoopDeadline) < 0)) return;
  LoopDone = nullptr;
  PostQuitMessage(0);
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

void AppTest::SetUp() {
  ASSERT_FALSE(MainWindow.GetHandle()) << "the main window is built once per process: run one test per process";
  AppInstance = GetModuleHandleA(nullptr);
  ApplyDefaultSettings();
  ASSERT_TRUE(BuildMainWindow(AppInstance));
}

// Nothing still queued may reach the program once the sandbox is gone.
void AppTest::TearDown() { PumpMessages(); }

void AppTest::StartUp() {
  RequestScan();
  ProgramList.SetFocus();
  PumpMessages();
}

Texts AppTest::Column(int column) {
  Texts texts;
  char text[1024];
  for (int item = 0; item < ListView_GetItemCount(ProgramList.GetHandle()); ++item) {
    ListView_GetItemText(ProgramList.GetHandle(), item, column, text, sizeof text);
    texts.push_back(text);
  }
  return texts;
}

void AppTest::Select(int item) {
  const UINT state = item < 0 ? 0 : LVIS_SELECTED | LVIS_FOCUSED;
  ListView_SetItemState(ProgramList.GetHandle(), item, state, LVIS_SELECTED | LVIS_FOCUSED);
  PumpMessages();
}

void RealInputTest::SetUp() {
  const char *display = std::getenv("DISPLAY"), *privateDisplay = std::getenv("QUILLMERE_PRIVATE_DISPLAY");
  ASSERT_TRUE(display && privateDisplay && std::string(display) == privateDisplay)
      << "real-input tests type and click on the display: they run only on the private one that scripts/test starts "
         "(DISPLAY equal to QUILLMERE_PRIVATE_DISPLAY), never on a desktop in use";
  AppTest::SetUp();
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool RunMainLoopUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  LoopDone = done;
  LoopDeadline = GetTickCount() + timeoutMs;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, EndLoopWhenDone);
  MainWindow.RunMessageLoop();
  KillTimer(nullptr, timer);
  LoopDone = nullptr;
  return done();
}
