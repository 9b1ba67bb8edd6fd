#pragma once
// Fills the program list from the inventory: columns, icons, cell texts, order, and the scroll
// position and selection put back by position.

void PopulateList(bool autosize);

// Adds the default program icon as image 0 of both image lists; returns its index.
int AddDefaultIcon();
