#include "actions/Launch.h"

#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "actions/EntryBackup.h"
#include "actions/RemoveEntry.h"
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

std::string LaunchFailureText(const std::string& commandLine) {
  return "Couldn't launch the program \"" + commandLine + "\"";
}

void ShowLaunchFailure(const std::string& commandLine, DWORD error) {
  ShowError(LaunchFailureText(commandLine) + "\n\n" + SystemReason(error));
}

// The uninstaller's file is gone: the registration is most likely stale, and its removal is offered.
void OfferRemoval(const ProgramEntry& entry, const std::string& commandLine) {
  const std::string question = LaunchFailureText(commandLine) + "\n\nThe uninstaller of \"" + Title(entry) +
                               "\" is missing: the program may already have been removed. Remove its entry from the "
                               "list?";
  if (MessageBoxA(MainWindow.GetHandle(), question.c_str(), AppTitle, MB_ICONWARNING | MB_YESNO) == IDYES)
    RemoveEntry(entry, NewBackupPath(entry));
}

// Launches commandLine and waits for its end; uninstalled is the entry whose uninstaller it is, or
// null.
void Launch(const std::string& commandLine, const ProgramEntry* uninstalled) {
  DWORD error = ERROR_SUCCESS;
  HANDLE process = Start(commandLine, error);
  const bool fileMissing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  if (uninstalled && fileMissing)
    OfferRemoval(*uninstalled, commandLine);
  else if (error != ERROR_SUCCESS && error != ERROR_CANCELLED)  // a declined elevation prompt is no failure
    ShowLaunchFailure(commandLine, error);
  if (!process) return;
  WaitWithMainWindowDisabled(process);
  CloseHandle(process);
}

}  // namespace

void LaunchAndWait(std::string commandLine) { Launch(commandLine, nullptr); }

void LaunchUninstaller(const ProgramEntry& entry, const std::string& commandLine) { Launch(commandLine, &entry); }

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
