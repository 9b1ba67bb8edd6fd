#pragma once
// Fills the program list from the inventory: columns, icons, cell texts, order, and the scroll
// position and selection put back by position.
#include <windows.h>

#include "listview/ListSettings.h"
#include "listview/ListView.h"

// Shows the columns and the order of settings; the inventory's entries hold the values that they
// show (ShownValues). fallbackIcon stands in for the system's default program icon when that
// cannot be loaded.
void PopulateList(CListView& list, const ListSettings& settings, HICON fallbackIcon, bool autosize);

// Answers the list's request for a cell's text (LVN_GETDISPINFO): the status of the entry, found
// as its row is drawn. The entry must hold its uninstall commands.
void SupplyCellText(NMLVDISPINFOA* info);
// The values of the entry (EntryValue bits) that the cell or the image asked for is made from.
uint32_t ValuesAsked(const NMLVDISPINFOA* info);

// Answers the list's request for an item's image (LVN_GETDISPINFO): the image of the entry's own
// icon, which the list then keeps. The entry must hold its DisplayIcon.
void SupplyItemImage(CListView& list, NMLVDISPINFOA* info);
