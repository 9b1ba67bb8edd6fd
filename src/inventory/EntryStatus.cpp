#include "inventory/EntryStatus.h"

#include "inventory/CommandProgram.h"
#include "inventory/EntryValues.h"

namespace {

const int InstallStateUnknown = -1;  // INSTALLSTATE_UNKNOWN: the installer does not know the product
const int InstallStateNotAsked = 0;  // without msi.dll nothing is known

int WINAPI QueryThroughMsi(const char* productCode) {
  using Query = int(WINAPI*)(const char*);
  static HMODULE const msi = LoadLibraryA("msi.dll");
  static const auto query =
      msi ? reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(msi, "MsiQueryProductStateA"))) : nullptr;
  return query ? query(productCode) : InstallStateNotAsked;
}

// The command that an uninstall runs: the uninstall string, else the quiet one.
std::string UninstallCommand(const ProgramEntry& entry) {
  return ExpandedValue(entry, entry.UninstallString.empty() ? QuietUninstallStringBit : UninstallStringBit);
}

bool OnRemoteDrive(const std::string& path) {
  const char letter = DriveLetter(path);
  const char root[] = {letter, ':', '\\', '\0'};
  return letter != 0 && GetDriveTypeA(root) == DRIVE_REMOTE;
}

// Every reading of the command starts where its shortest one does: that one tells whether the
// program can be looked for at all.
bool ProgramMissing(const std::string& command) {
  const std::string program = CommandSplits(command).front().Program;
  if (program.empty() || program.size() >= MAX_PATH || IsSharePath(program) || OnRemoteDrive(program)) return false;
  CommandSplit found;
  return !FindCommandProgram(command, found);
}

RegistrationStatus FindStatus(const ProgramEntry& entry) {
  const std::string command = UninstallCommand(entry);
  const std::string productCode = InstallerProductCode(entry.KeyName, command);
  if (!productCode.empty() && QueryProductState(productCode.c_str()) == InstallStateUnknown)
    return RegistrationStatus::NotInstalled;
  return ProgramMissing(command) ? RegistrationStatus::UninstallerMissing : RegistrationStatus::Fine;
}

}  // namespace

ProductStateQuery QueryProductState = QueryThroughMsi;

RegistrationStatus StatusOf(const ProgramEntry& entry) {
  if (!HoldsValues(entry, StatusValues)) return RegistrationStatus::Fine;
  if (entry.Status < 0) entry.Status = static_cast<signed char>(FindStatus(entry));
  return static_cast<RegistrationStatus>(entry.Status);
}
