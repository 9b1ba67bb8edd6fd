// Checks from outside that a Quillmere program lists a registry: starts the program, waits for
// its first scan to write the count to the status bar, shows the system components as the menu
// item does, and waits until the status bar says "COUNT applications".
//
//   quillmere_showncount PROGRAM COUNT
//
// Prints each status text read and exits 0 once the count is shown, 1 when the program ends or
// 60 seconds pass first. The program is asked to close either way.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/ResourceIds.h"

namespace {

const DWORD GiveUpMs = 60000;
const DWORD ReplyTimeoutMs = 10000;

bool Ended(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// The main window that the process has shown, or null.
HWND MainWindowOf(const PROCESS_INFORMATION& started) {
  const HWND window = FindWindowA(nullptr, "Quillmere");
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == started.dwProcessId ? window : nullptr;
}

std::string StatusText(HWND main) {
  char text[256] = {};
  DWORD_PTR copied = 0;
  const HWND bar = FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr);
  if (!SendMessageTimeoutA(bar, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, ReplyTimeoutMs,
                           &copied))
    return "";
  return text;
}

// Polls the status bar until done(text) holds; prints the text then.
template <typename Condition>
bool WaitForStatus(const PROCESS_INFORMATION& started, HWND main, DWORD start, Condition done) {
  while (GetTickCount() - start < GiveUpMs && !Ended(started.hProcess)) {
    const std::string text = StatusText(main);
    if (done(text)) {
      std::printf("status bar: %s\n", text.c_str());
      return true;
    }
    Sleep(50);
  }
  std::printf("status bar: \"%s\" when the wait ended\n", StatusText(main).c_str());
  return false;
}

bool ShowsCount(const PROCESS_INFORMATION& started, const std::string& wanted) {
  const DWORD start = GetTickCount();
  HWND main = nullptr;
  while (!main && GetTickCount() - start < GiveUpMs && !Ended(started.hProcess)) {
    main = MainWindowOf(started);
    Sleep(50);
  }
  if (!main) {
    std::printf("no window titled Quillmere appeared\n");
    return false;
  }
  const bool scanned = WaitForStatus(started, main, start, [](const std::string& text) {
    return text == "Nothing found" || text.find(" applications") != std::string::npos;
  });
  DWORD_PTR result = 0;
  const bool shown =
      scanned &&
      SendMessageTimeoutA(main, WM_COMMAND, IDM_SHOW_SYSTEM_COMPONENTS, 0, SMTO_NORMAL, ReplyTimeoutMs, &result) &&
      WaitForStatus(started, main, start, [&](const std::string& text) { return text == wanted; });
  PostMessageA(main, WM_CLOSE, 0, 0);
  return shown;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::atoi(argv[2]) <= 0) {
    std::fprintf(stderr, "usage: quillmere_showncount PROGRAM COUNT\n");
    return 2;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  std::string commandLine = std::string("\"") + argv[1] + "\"";
  if (!CreateProcessA(argv[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    std::printf("%s does not start (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  const bool shown = ShowsCount(started, std::string(argv[2]) + " applications");
  if (WaitForSingleObject(started.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(started.hProcess, 1);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return shown ? 0 : 1;
}
