#pragma once
// The program's title and its error box.
#include <string>

// The title of the main window and of the program's own message boxes.
extern const char* const AppTitle;

// Shows text in an error box owned by the main window; returns the box's answer.
int ShowError(std::string text);
