// Stands in for a program's uninstaller in the tests. It carries out the words of its command
// line in order:
//   --record FILE       appends its whole command line (GetCommandLineA) as one line to FILE
//   --sleep MS          sleeps
//   --wait-event NAME   waits until the named event is set (at most a minute)
//   --spawn-copy NAME   starts a copy of itself that waits for the event NAME and then records
//                       its command line to the record file, and goes on without waiting for it
//   --delete-key PATH   deletes HKEY_CURRENT_USER\PATH, e.g. its registration under a test's
//                       scratch key (the test's registry redirection does not reach this process)
//   --exit CODE         the exit code (0 unless given)
// Other words are ignored, so that a test can make the command line as long as it likes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void StartWaitingCopy(const char* eventName, const std::string& recordFile) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string commandLine =
      std::string("\"") + self + "\" --wait-event " + eventName + " --record \"" + recordFile + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

}  // namespace

int main(int argc, char** argv) {
  int exitCode = 0;
  std::string recordFile;
  for (int i = 1; i + 1 < argc; ++i) {
    const char* word = argv[i];
    const char* argument = argv[i + 1];
    if (std::strcmp(word, "--record") == 0) {
      recordFile = argument;
      if (FILE* out = std::fopen(argument, "ab")) {
        std::fprintf(out, "%s\n", GetCommandLineA());
        std::fclose(out);
      }
    } else if (std::strcmp(word, "--sleep") == 0) {
      Sleep(static_cast<DWORD>(std::atoi(argument)));
    } else if (std::strcmp(word, "--wait-event") == 0) {
      if (HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, argument)) {
        WaitForSingleObject(event, 60000);
        CloseHandle(event);
      }
    } else if (std::strcmp(word, "--spawn-copy") == 0) {
      StartWaitingCopy(argument, recordFile);
    } else if (std::strcmp(word, "--delete-key") == 0) {
      RegDeleteKeyA(HKEY_CURRENT_USER, argument);
    } else if (std::strcmp(word, "--exit") == 0) {
      exitCode = std::atoi(argument);
    } else {
      continue;
    }
    ++i;
  }
  return exitCode;
}
