#include "actions/ExportColumns.h"

#include "inventory/Dates.h"
#include "inventory/EntryStatus.h"
#include "inventory/Formatting.h"
#include "listview/ListColumns.h"

namespace {

struct ExportColumn {
  const char* Header;
  std::string (*Field)(const ProgramEntry& entry);
};

// Sizes as the list shows them: none unless positive.
std::string SizeText(const ProgramEntry& entry) {
  const int64_t size = ListSize(entry);
  return size > 0 ? FormatSize(static_cast<uint64_t>(size)) : "";
}

std::string SizeInBytes(const ProgramEntry& entry) {
  const int64_t size = ListSize(entry);
  return size > 0 ? std::to_string(size) : "";
}

std::string Frequency(const ProgramEntry& entry) {
  return entry.HasUsageData && entry.UseCount != -1 ? FormatUseCount(static_cast<uint32_t>(entry.UseCount)) : "";
}

std::string RootName(const ProgramEntry& entry) {
  if (entry.Root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (entry.Root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  return "";
}

// The user's registrations are shared by both views; the machine's have two only on 64-bit Windows.
std::string ViewName(const ProgramEntry& entry) {
  if (entry.View & KEY_WOW64_64KEY) return "64-bit";
  return entry.View & KEY_WOW64_32KEY ? "32-bit" : "";
}

// A new column is one more row here.
const ExportColumn ExportColumns[] = {
    {"Application", [](const ProgramEntry& entry) { return Title(entry); }},
    {"Size", SizeText},
    {"Size in bytes", SizeInBytes},
    {"Company", [](const ProgramEntry& entry) { return entry.Publisher; }},
    {"Frequency of use", Frequency},
    {"Date last used", [](const ProgramEntry& entry) { return IsoDate(LastUsedDay(entry)); }},
    {"Installed on", [](const ProgramEntry& entry) { return IsoDate(entry.InstallDate); }},
    {"Status", [](const ProgramEntry& entry) { return std::string(StatusText(StatusOf(entry))); }},
    {"Version", [](const ProgramEntry& entry) { return entry.DisplayVersion; }},
    {"Key name", [](const ProgramEntry& entry) { return entry.KeyName; }},
    {"Root", RootName},
    {"Registry view", ViewName},
    {"Uninstall command", [](const ProgramEntry& entry) { return entry.UninstallString; }},
    {"Quiet uninstall command", [](const ProgramEntry& entry) { return entry.QuietUninstallString; }},
    {"Windows Installer", [](const ProgramEntry& entry) { return std::string(entry.WindowsInstaller ? "Yes" : "No"); }},
};

}  // namespace

TableRow ExportHeader() {
  TableRow header;
  for (const ExportColumn& column : ExportColumns) header.push_back(column.Header);
  return header;
}

TableRow ExportRow(const ProgramEntry& entry) {
  TableRow row;
  for (const ExportColumn& column : ExportColumns) row.push_back(column.Field(entry));
  return row;
}
