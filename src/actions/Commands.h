#pragma once
// The command dispatch of the main window, the menus and their states, the delayed search, and
// the handlers that the window objects' slots call.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <string>

#include "inventory/ProgramEntry.h"

// The title of the program's own message boxes.
extern const char* const AppTitle;

void HandleCommand(WPARAM wParam, LPARAM lParam);
void OnSearchTimer(WPARAM wParam, LPARAM lParam);
// Passes the program list's notifications on to its slots; header is the NMHDR.
void RouteListNotification(WPARAM wParam, LPARAM header);
void ShowContextMenu(WPARAM window, int x, int y);

// Sets the enabled and check states of menu which (IDR_PROGRAM_MENU or IDR_COLUMNS_MENU) in menu.
void UpdateProgramMenu(HMENU menu, int which);
void UpdateViewMarks();
void ToggleMenuCheck(HMENU menu, UINT id, int32_t& flag);

void ShowAbout();
int ShowError(std::string text);

void OnListKeyDown(WPARAM key, LPARAM lParam);
void OnColumnClicked(NMLISTVIEW* notification);
void UninstallSelected();
