#pragma once
// Sorting of the program list by one column, ascending or descending.
#include "listview/ListSettings.h"
#include "listview/ListView.h"

// Sorts list by the sort column of settings, in their direction.
void SortList(CListView& list, const ListSettings& settings);

// Sorts by the clicked column; a second click on the sort column reverses the direction.
void SortByClickedColumn(CListView& list, ListSettings& settings, int clicked);
