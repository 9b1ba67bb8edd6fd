#pragma once
// One uninstall registration as the scan found it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct ProgramEntry {
  std::string KeyName;
  std::string DisplayName;
  std::string UninstallString;
  std::string QuietDisplayName;
  std::string QuietUninstallString;
  std::string DisplayVersion;
  std::string Publisher;
  std::string URLInfoAbout;
  std::string URLUpdateInfo;
  std::string HelpLink;
  std::string HelpTelephone;
  std::string Contact;
  std::string Comments;
  std::string Readme;
  std::string DisplayIcon;
  int32_t WindowsInstaller = 0;
  int32_t SystemComponent = 0;  // 1 when the DWORD value SystemComponent is 1: a part of a bundle
  uint32_t EstimatedSize = 0;   // kilobytes
  uint32_t InstallDate = 0;     // its day (Dates.h), 0 when unknown
  int32_t HasUsageData = 0;
  int64_t ProgramSize = 0;  // bytes
  int32_t UseCount = 0;     // -1: not counted
  FILETIME LastUsedTime = {0, 0};
  std::string ProgramPath;
  // Where the registration was found: HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE, and the registry
  // view (KEY_WOW64_32KEY or KEY_WOW64_64KEY for the machine's registrations on 64-bit Windows,
  // else 0). Usage data is read, and removal deletes, there and nowhere else.
  HKEY Root = nullptr;
  REGSAM View = 0;
  // The values of the registration's key read so far (EntryValue bits): a scan reads those that
  // the list shows, the others are read when something needs them.
  uint32_t ValuesRead = 0;
  // The string values stored as REG_EXPAND_SZ (EntryValue bits): shown as stored, expanded where
  // they are used.
  uint32_t ExpandableValues = 0;
  // The RegistrationStatus (EntryStatus.h) once something has asked for it, -1 before.
  mutable signed char Status = -1;
};

// DisplayName, else QuietDisplayName, else KeyName.
const std::string& Title(const ProgramEntry& entry);

// Sizes in bytes by two rules. ListSize is what the list shows and sorts by, and the export
// writes: with usage data always its program size, even 0, so that the list orders the entries by
// the figure that one source measured and its cells agree with that order. BestKnownSize is what
// the details pane describes one program by: the usage data's size when it is positive, else the
// registration's estimate, since a single program is better told by an estimate than by no size.
int64_t ListSize(const ProgramEntry& entry);
uint64_t BestKnownSize(const ProgramEntry& entry);

// The day of last use (Dates.h) by the usage data; 0 without.
uint32_t LastUsedDay(const ProgramEntry& entry);

// The entries of the last scan, in scan order.
extern std::vector<ProgramEntry> ProgramInventory;
