// Stands in for a program's uninstaller in the tests. It carries out the words of its command
// line in order:
//   --record FILE       appends its whole command line (GetCommandLineA) as one line to FILE
//   --sleep MS          sleeps
//   --wait-event NAME   waits until the named event is set (at most a minute)
//   --delete-key PATH   deletes HKEY_CURRENT_USER\PATH, e.g. its registration under a test's
//                       scratch key (the test's registry redirection does not reach this process)
//   --spawn-copy NAME   starts a copy of itself that waits for the event NAME, appends
//                       "copy <process id>" to the record file, and goes on without waiting
//   --window MS         shows a window of its own in the foreground for MS milliseconds
//   --exit CODE         the exit code (0 unless given)
// Other words are ignored, so that a test can make the command line as long as it likes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const DWORD LongestWait = 60000;

void AppendLine(const std::string& file, const std::string& line) {
  if (FILE* out = std::fopen(file.c_str(), "ab")) {
    std::fputs((line + "\n").c_str(), out);
    std::fclose(out);
  }
}

void WaitForEvent(const char* name) {
  HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, name);
  if (!event) return;
  WaitForSingleObject(event, LongestWait);
  CloseHandle(event);
}

void SpawnCopy(const char* eventName, const std::string& recordFile) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string commandLine = std::string("\"") + self + "\" --wait-event " + eventName;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return;
  if (!recordFile.empty()) AppendLine(recordFile, "copy " + std::to_string(process.dwProcessId));
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

// As an uninstaller's own dialog: a window that takes the foreground while it is shown.
void ShowWindowFor(DWORD milliseconds) {
  HWND window = CreateWindowExA(0, "STATIC", "Scripted uninstaller", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300,
                                200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(window);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  DestroyWindow(window);
}

}  // namespace

int main(int argc, char** argv) {
  std::string recordFile;
  int exitCode = 0;
  for (int i = 1; i + 1 < argc; ++i) {
    const char* word = argv[i];
    const char* argument = argv[i + 1];
    if (std::strcmp(word, "--record") == 0) {
      recordFile = argument;
      AppendLine(recordFile, GetCommandLineA());
    } else if (std::strcmp(word, "--sleep") == 0) {
      Sleep(static_cast<DWORD>(std::atoi(argument)));
    } else if (std::strcmp(word, "--wait-event") == 0) {
      WaitForEvent(argument);
    } else if (std::strcmp(word, "--delete-key") == 0) {
      RegDeleteKeyA(HKEY_CURRENT_USER, argument);
    } else if (std::strcmp(word, "--spawn-copy") == 0) {
      SpawnCopy(argument, recordFile);
    } else if (std::strcmp(word, "--window") == 0) {
      ShowWindowFor(static_cast<DWORD>(std::atoi(argument)));
    } else if (std::strcmp(word, "--exit") == 0) {
      exitCode = std::atoi(argument);
    } else {
      continue;
    }
    ++i;
  }
  return exitCode;
}
