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

// The main window's timer that fills the status line of the pane (FillDetailsStatus).
const UINT_PTR DetailsStatusTimer = 1;

// Fills the pane from the selected entry; leaves it as it is when there is none. The status line
// follows at DetailsStatusTimer.
void FillDetails();
void FillDetailsStatus();
// Blanks every text and shows the blank icon.
void ClearDetails();
// The list's item-changed handler: the pane and the menu states follow the selection.
void OnSelectionChanged(NMLISTVIEW* notification);
