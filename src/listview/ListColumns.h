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

// Appends to list the optional columns that settings show, in their fixed order, and numbers them.
void InsertOptionalColumns(CListView& list, const ListSettings& settings);

// The size the list shows and sorts by, in bytes: the usage data's program size, or else the
// estimated size.
int64_t ListSize(const ProgramEntry& entry);

// The values of a registration (EntryValue bits) that the list's cells show and sort by with
// settings, besides the title; the icons' values are read as their rows are drawn.
uint32_t ShownValues(const ListSettings& settings);
