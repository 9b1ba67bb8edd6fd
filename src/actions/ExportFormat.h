#pragma once
// The text of an exported list: lines of comma- or tab-separated fields, and the default file
// name. Free of platform calls.
#include <cstdint>
#include <string>
#include <vector>

using TableRow = std::vector<std::string>;

// The field with a single quote in front when a spreadsheet would take it for a formula: when it
// begins with =, +, -, @, a tab or a carriage return, unless it is a plain decimal number such as
// -12 or +3.5, which a spreadsheet reads as that same number.
std::string GuardFormula(const std::string& field);

// The fields separated by separator (',' or '\t') and ended by CR LF. Each field is guarded, then
// put in quotes, with its own quotes doubled, when it holds the separator, a quote, a CR or a LF.
std::string SeparatedLine(const TableRow& fields, char separator);
std::string SeparatedText(const std::vector<TableRow>& rows, char separator);

// "Programs on MACHINE YYYY-MM-DD.csv", with every character that a file name cannot hold
// replaced by '_'.
std::string DefaultExportName(const std::string& machine, const std::string& isoDate);

// The name with every character that a file name cannot hold replaced by '_'.
std::string SafeFileName(std::string name);

// "TITLE STAMP.reg" for the copy of a removed registration, its title cut to BackupTitleRoom bytes
// (never inside a character), and every character that a file name cannot hold replaced by '_'.
const size_t BackupTitleRoom = 120;
std::string BackupFileName(const std::string& title, const std::string& stamp);
