#pragma once
// Takes the list out of the program: the list as it shows now to a CSV file, and one program's
// row to the clipboard.
#include <string>

#include "inventory/ProgramEntry.h"

// Asks for a file with the Save dialog, then exports the list to it.
void ExportList();

// Writes the list's rows, in the order and with the filter that it shows, to path as CSV in UTF-8.
// Either the whole file is written, or the user is told why not, any earlier file at path stays
// as it was, and the result is false.
bool ExportListTo(const std::wstring& path);

// Puts the entry's row, under a header line, as tab-separated Unicode text on the clipboard.
void CopyRow(const ProgramEntry& entry);
