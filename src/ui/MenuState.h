#pragma once
// The enabled and check states of the menus, and the Repair button that follows the selection.
#include <windows.h>

#include <cstdint>

// Sets the enabled and check states of menu which (IDR_PROGRAM_MENU or IDR_COLUMNS_MENU) in menu.
void UpdateProgramMenu(HMENU menu, int which);
// Marks the list's view, the sort direction and the sort column in the main window's menu.
void UpdateViewMarks();
// Keeps "Run as administrator" in menu, with the system's shield, only while this program is not
// elevated.
void OfferRunAsAdministrator(HMENU menu);
// Reverses flag and the check mark of item id of menu.
void ToggleMenuCheck(HMENU menu, UINT id, int32_t& flag);
