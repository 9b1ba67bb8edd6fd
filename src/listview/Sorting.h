#pragma once
// Sorting of the program list by one column, ascending or descending, with the header's arrow on
// that column.
#include "listview/ListSettings.h"
#include "listview/ListView.h"

// Sorts list by the sort column of settings, in their direction.
void SortList(CListView& list, const ListSettings& settings);

// Sorts by the column clicked at its position; a second click on the sort column reverses the
// direction.
void SortByClickedColumn(CListView& list, ListSettings& settings, int clickedPosition);

// Once settings hide their sort column, the list sorts by "Application", ascending.
void KeepSortColumnShown(ListSettings& settings);
