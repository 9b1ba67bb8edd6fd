#pragma once
// The program's title and its own message boxes.
#include <string>

#include "inventory/ProgramEntry.h"

// The title of the main window and of the program's own message boxes.
extern const char* const AppTitle;

// The entry of the one selected list item; without one, asks the user to select a program.
const ProgramEntry* SelectedEntryOrTell();

// Shows text in an error box owned by the main window; returns the box's answer.
int ShowError(std::string text);

// The system's text for an error, without its line break.
std::string SystemReason(unsigned long error);
