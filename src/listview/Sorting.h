#pragma once
// Sorting of the program list by one column, ascending or descending.
#include <windows.h>

#include <commctrl.h>

// The list's comparison function: first and second are the entries' addresses, column the
// position of the sort column.
int CALLBACK CompareEntries(LPARAM first, LPARAM second, LPARAM column);

// Sorts by the clicked column; a second click on the sort column reverses the direction.
void SortByClickedColumn(NMLISTVIEW* notification);
