#pragma once
// The window objects of the program: the main window and its children, which the actions work
// on and the main window's assembly creates and places.
#include "inventory/ProgramEntry.h"
#include "listview/ListView.h"
#include "window/Controls.h"
#include "window/Window.h"

extern CApplicationWindow MainWindow;
extern CStatic DetailsPanel;
extern CStatic DetailsIcon;
extern CEdit DetailsTitle;
extern CStatic DetailsSeparator;
extern CStatic SizeLabel;
extern CEdit SizeValue;
extern CStatic LastUsedLabel;
extern CEdit LastUsedValue;
extern CStatic UsedLabel;
extern CEdit UsedValue;
extern CStatic PublisherLabel;
extern CEdit PublisherValue;
extern CStatic VersionLabel;
extern CEdit VersionValue;
extern CStatic StatusLabel;
extern CEdit StatusValue;
extern CStatic SearchLabel;
extern CEdit SearchEdit;
extern CButton RepairButton;
extern CButton RemoveButton;
extern CButton ButtonAnchor;
extern CStatusBar StatusBar;
extern CListView ProgramList;

// The entry of the program list's one selected item, or null.
ProgramEntry* GetSelectedEntry();
