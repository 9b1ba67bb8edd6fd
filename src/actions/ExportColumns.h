#pragma once
// The columns of an exported list and of a copied row: every column that the list can show,
// shown or not, then where and how the program is registered.
#include "actions/ExportFormat.h"
#include "inventory/ProgramEntry.h"

TableRow ExportHeader();
TableRow ExportRow(const ProgramEntry& entry);
