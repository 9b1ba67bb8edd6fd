#include "actions/Launch.h"

#include <windows.h>

#include <vector>

#include "ui/Messages.h"
#include "ui/WindowObjects.h"

namespace {

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

}  // namespace

void LaunchAndWait(std::string commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // CreateProcessA may write into its command line, so it gets a copy as long as the text.
  std::vector<char> buffer(commandLine.c_str(), commandLine.c_str() + commandLine.size() + 1);

  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    ShowError("Couldn't launch the program \"" + commandLine + "\"");
    return;
  }
  WaitWithMainWindowDisabled(process.hProcess);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}
