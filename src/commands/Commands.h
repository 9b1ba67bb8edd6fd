#pragma once
// The command dispatch of the main window, the context menus, the delayed search, and the
// handlers that the window objects' slots call.
#include <windows.h>

#include <commctrl.h>

void HandleCommand(WPARAM wParam, LPARAM lParam);
// The search timer runs the delayed search; DetailsStatusTimer fills the details pane's status.
void OnMainWindowTimer(WPARAM timer, LPARAM lParam);
// Passes the program list's notifications on to its slots; header is the NMHDR. A newly
// selected entry has its every value read first.
void RouteListNotification(WPARAM wParam, LPARAM header);
void ShowContextMenu(WPARAM window, int x, int y);

void ShowAbout();

void OnListKeyDown(WPARAM key, LPARAM lParam);
void OnColumnClicked(NMLISTVIEW* notification);
// The image of an item that the list draws for the first time.
void OnItemDisplayAsked(NMLVDISPINFOA* request);
void UninstallSelected();
