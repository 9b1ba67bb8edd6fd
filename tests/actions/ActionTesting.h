#pragma once
// What the tests of the program's commands and actions share: the main window's commands and
// input as the user gives them, and the number of scans seen in the registry calls.
#include <windows.h>

#include <string>
#include <vector>

#include "actions/WindowObjects.h"
#include "support/AppSession.h"
#include "support/RegistryCalls.h"
#include "support/RegistrySandbox.h"

using Texts = std::vector<std::string>;

// Every scan opens the uninstall key of both roots once.
inline int Scans(const RegistryCalls& calls) { return calls.OpensOf(UninstallPath) / 2; }

inline void Command(WPARAM id) { SendMessageA(MainWindow.GetHandle(), WM_COMMAND, id, 0); }
inline void PressEnter() { SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0); }
inline void ClickButton(CButton& button) { SendMessageA(button.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); }

inline void DoubleClick(int item) {
  RECT rect = {LVIR_LABEL, 0, 0, 0};
  SendMessageA(ProgramList.GetHandle(), LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rect));
  SendMessageA(ProgramList.GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(rect.left + 5, rect.top + 2));
}
