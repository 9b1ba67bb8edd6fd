#include "actions/Launch.h"

#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "inventory/CommandProgram.h"
#include "ui/Messages.h"
#include "ui/WindowObjects.h"

namespace {

const DWORD ElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED, from Windows Vista on

// Dispatches this thread's messages until process ends, so that windows keep painting.
void WaitDispatchingMessages(HANDLE process) {
  bool quit = false;
  WPARAM exitCode = 0;
  // Anything but "a message has arrived" ends the wait: the process has ended, or the wait failed.
  while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        exitCode = message.wParam;
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  if (quit) PostQuitMessage(static_cast<int>(exitCode));
}

// As under a modal dialog: the main window is disabled while the child runs.
void WaitWithMainWindowDisabled(HANDLE process) {
  HWND main = MainWindow.GetHandle();
  HWND focus = GetFocus();
  EnableWindow(main, FALSE);
  WaitDispatchingMessages(process);
  EnableWindow(main, TRUE);
  SetForegroundWindow(main);
  if (focus) SetFocus(focus);
}

// Starts file with the system's elevation prompt; the error, or ERROR_SUCCESS with the process.
DWORD StartElevated(const std::string& file, const std::string& parameters, HANDLE& process) {
  SHELLEXECUTEINFOA execute = {};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.hwnd = MainWindow.GetHandle();
  execute.lpVerb = "runas";
  execute.lpFile = file.c_str();
  execute.lpParameters = parameters.c_str();
  execute.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&execute)) return GetLastError();
  process = execute.hProcess;
  return ERROR_SUCCESS;
}

// Starts the program of commandLine, read as CreateProcessA read it, with the elevation prompt.
DWORD StartCommandElevated(const std::string& commandLine, HANDLE& process) {
  CommandSplit split = CommandSplits(commandLine).front();
  FindCommandProgram(commandLine, split);
  return StartElevated(split.Program, split.Parameters, process);
}

// The child's process, or null with the error.
HANDLE Start(const std::string& commandLine, DWORD& error) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // CreateProcessA may write into its command line, so it gets a copy as long as the text.
  std::vector<char> buffer(commandLine.c_str(), commandLine.c_str() + commandLine.size() + 1);
  error = ERROR_SUCCESS;
  if (CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    CloseHandle(process.hThread);
    return process.hProcess;
  }
  error = GetLastError();
  if (error == ElevationRequired) error = StartCommandElevated(commandLine, process.hProcess);
  return process.hProcess;
}

void ShowLaunchFailure(const std::string& commandLine, DWORD error) {
  ShowError("Couldn't launch the program \"" + commandLine + "\"\n\n" + SystemReason(error));
}

}  // namespace

void LaunchAndWait(std::string commandLine) {
  DWORD error = ERROR_SUCCESS;
  HANDLE process = Start(commandLine, error);
  // A declined elevation prompt is the user's answer, not a failure.
  if (error != ERROR_SUCCESS && error != ERROR_CANCELLED) ShowLaunchFailure(commandLine, error);
  if (!process) return;
  WaitWithMainWindowDisabled(process);
  CloseHandle(process);
}

void RunAsAdministrator() {
  std::vector<char> path(32768);
  GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
  HANDLE process = nullptr;
  const DWORD error = StartElevated(path.data(), "", process);
  if (process) CloseHandle(process);
  if (error == ERROR_SUCCESS)
    MainWindow.Destroy();
  else if (error != ERROR_CANCELLED)
    ShowLaunchFailure(path.data(), error);
}
