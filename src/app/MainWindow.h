#pragma once
// The window objects of the program, and the assembly and layout of the main window.
#include <windows.h>

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
extern CStatic SearchLabel;
extern CEdit SearchEdit;
extern CButton RepairButton;
extern CButton RemoveButton;
extern CButton ButtonAnchor;
extern CStatusBar StatusBar;
extern CListView ProgramList;

// Builds the main window and all its children; false (after telling the user) when the main
// window cannot be created.
bool BuildMainWindow(HINSTANCE instance);

// Places the children for a client area of width by height.
void LayoutMainWindow(int width, int height, WPARAM sizeType);
