#pragma once
// The optional columns of the program list and where they stand.
#include <cstdint>

#include "inventory/ProgramEntry.h"
#include "listview/ListSettings.h"
#include "listview/ListView.h"

// Position of each optional column in the list while it is shown; 0 while it is hidden
// (position 0 is always the "Application" column).
extern uint8_t SizeColumnIndex;
extern uint8_t CompanyColumnIndex;
extern uint8_t FrequencyColumnIndex;
extern uint8_t LastUsedColumnIndex;
extern uint8_t InstalledOnColumnIndex;
extern uint8_t StatusColumnIndex;

// Appends to list the optional columns that settings show, in their fixed order, and numbers them.
void InsertOptionalColumns(CListView& list, const ListSettings& settings);

// Whether settings show the column; "Application" always.
bool IsShown(const ListSettings& settings, ListColumn column);
// The column's position in the list as InsertOptionalColumns numbered it, or -1 while it is hidden.
int ColumnPosition(ListColumn column);
// The column at a position, or false when no column stands there.
bool ColumnAt(int position, ListColumn& column);

// The values of a registration (EntryValue bits) that the list's cells show and sort by with
// settings, besides the title; the icons' and the statuses' values are read as their rows are
// drawn, unless the list is sorted by status.
uint32_t ShownValues(const ListSettings& settings);
