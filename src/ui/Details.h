#pragma once
// The details pane: the selected program's icon, title and facts.
#include <windows.h>

#include <commctrl.h>

// The labels' texts, shown while their facts are present.
extern const char* const SizeLabelText;
extern const char* const LastUsedLabelText;
extern const char* const UsedLabelText;
extern const char* const PublisherLabelText;
extern const char* const VersionLabelText;
extern const char* const StatusLabelText;

// Fills the pane from the selected entry; leaves it as it is when there is none.
void FillDetails();
// Blanks every text and shows the blank icon.
void ClearDetails();
// The list's item-changed handler: the pane and the menu states follow the selection.
void OnSelectionChanged(NMLISTVIEW* notification);
