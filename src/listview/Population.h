#pragma once
// Fills the program list from the inventory: columns, icons, cell texts, order, and the scroll
// position and selection put back by position.
#include <windows.h>

#include "listview/ListSettings.h"
#include "listview/ListView.h"

// Shows the columns and the order of settings; fallbackIcon stands in for the system's default
// program icon when that cannot be loaded.
void PopulateList(CListView& list, const ListSettings& settings, HICON fallbackIcon, bool autosize);
