#include "support/AppSession.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/MainWindow.h"
#include "ui/Scan.h"
#include "ui/Settings.h"

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
  const HWND yes = GetDlgItem(box, IDYES);
  const UINT buttons = yes && (GetWindowLongA(yes, GWL_STYLE) & WS_VISIBLE) ? MB_YESNO : MB_OK;
  const auto icon =
      reinterpret_cast<HICON>(SendDlgItemMessageA(box, GetDlgItem(box, 20) ? 20 : 0x440, STM_GETICON, 0, 0));
  for (const auto& [standard, style] :
       {std::make_pair(IDI_HAND, MB_ICONERROR), std::make_pair(IDI_EXCLAMATION, MB_ICONWARNING),
        std::make_pair(IDI_ASTERISK, MB_ICONINFORMATION)})
    if (icon && LoadIconA(nullptr, standard) == icon) return buttons | style;
  return buttons | (icon ? MB_USERICON : 0);
}

const char* OwnerName(HWND owner) { return !owner ? "" : owner == MainWindow.GetHandle() ? "main" : "other"; }

const char* DateFormat = nullptr;
int WINAPI DateInFormat(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCSTR, LPSTR text, int size) {
  return ApiHook::Original(&DateInFormat)(locale, flags & ~DATE_SHORTDATE, date, DateFormat, text, size);
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher()
    : Hook(SetWindowsHookExA(WH_CALLWNDPROCRET, HookProc, nullptr, GetCurrentThreadId())) {
  Active = this;
}
MessageBoxCatcher::~MessageBoxCatcher() { UnhookWindowsHookEx(Hook), Active = nullptr; }

std::string MessageBoxCatcher::Describe(const std::string& text, const std::string& caption, UINT style,
                                        const char* owner) {
  return text + "|" + caption + "|" + std::to_string(style) + "|" + owner;
}

LRESULT CALLBACK MessageBoxCatcher::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  const auto& call = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  char className[8] = {};
  if (code == HC_ACTION && call.message == WM_INITDIALOG && Active && GetDlgItem(call.hwnd, TextId) &&
      GetClassNameA(call.hwnd, className, sizeof className) && !lstrcmpA(className, "#32770"))
    Active->Catch(call.hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxCatcher::Catch(HWND box) {
  const UINT style = Style(box);
  Boxes.push_back(Describe(TextOf(GetDlgItem(box, TextId)), TextOf(box), style, OwnerName(GetWindow(box, GW_OWNER))));
  int answer = (style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
  if (!Answers.empty()) answer = Answers.front(), Answers.pop_front();
  if (WhileOpen) WhileOpen();
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}

void WINAPI FixedLocalTime(SYSTEMTIME* time) { *time = {2026, 1, 5, 2, 3, 4, 5, 0}; }

AppTest::AppTest() : Clock("KERNEL32.dll", "GetLocalTime", &FixedLocalTime) {}

std::string AppTest::BackupFile(const std::string& title) const {
  return std::string(LocalAppData.begin(), LocalAppData.end()) + "\\Quillmere\\Removed entries\\" + title +
         " 2026-01-02 03.04.05.reg";
}

std::string AppTest::RemoveQuestion(const std::string& title) const {
  return "Are you sure you want to remove entry from the list?\n\nA copy is kept in \"" + BackupFile(title) +
         "\"; Action > Undo remove entry puts it back.";
}

void AppTest::SetUp() {
  ASSERT_FALSE(MainWindow.GetHandle()) << "the main window is built once per process: run one test per process";
  AppInstance = GetModuleHandleA(nullptr);
  ApplyDefaultSettings();
  ASSERT_TRUE(BuildMainWindow(AppInstance));
  wchar_t temporary[MAX_PATH];
  GetTempPathW(MAX_PATH, temporary);
  LocalAppData = temporary + std::wstring(L"quillmere-test-") + std::to_wstring(GetCurrentProcessId());
  std::filesystem::remove_all(LocalAppData);
  std::filesystem::create_directory(LocalAppData);
  SetEnvironmentVariableW(L"LOCALAPPDATA", LocalAppData.c_str());
}

void AppTest::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(LocalAppData, ignored);
}

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

void AppTest::Select(const std::string& title) {
  const Texts titles = ListTitles();
  const auto found = std::find(titles.begin(), titles.end(), title);
  Select(found == titles.end() ? -1 : static_cast<int>(found - titles.begin()));
}

void RealInputTest::SetUp() {
  const char *display = std::getenv("DISPLAY"), *privateDisplay = std::getenv("QUILLMERE_PRIVATE_DISPLAY");
  ASSERT_TRUE(display && privateDisplay && std::string(display) == privateDisplay)
      << "real-input tests type and click on the display: they run only on the private one that scripts/test starts "
         "(DISPLAY equal to QUILLMERE_PRIVATE_DISPLAY), never on a desktop in use";
  AppTest::SetUp();
}

ApiHook ShortDates(const char* format) {
  DateFormat = format;
  return ApiHook("KERNEL32.dll", "GetDateFormatA", &DateInFormat);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void PressKey(HWND window, WPARAM key, int modifier) {
  BYTE keys[256] = {};
  keys[modifier] = 0x80;  // 0 is no key
  SetKeyboardState(keys);
  PostMessageA(window, WM_KEYDOWN, key, 0);
  PostQuitMessage(0);  // once the key is handled
  MainWindow.RunMessageLoop();
  keys[modifier] = 0;
  SetKeyboardState(keys);
}
