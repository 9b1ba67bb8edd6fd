#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "inventory/EntryStatus.h"
#include "inventory/EntryValues.h"
#include "support/ApiHook.h"

namespace {

// The file system is searched as ever, and counted; Z: is a network drive.
int FileSystemCalls = 0;
DWORD WINAPI CountedSearch(LPCSTR path, LPCSTR name, LPCSTR extension, DWORD size, LPSTR found, LPSTR* part) {
  ++FileSystemCalls;
  return ApiHook::Original(&CountedSearch)(path, name, extension, size, found, part);
}
UINT WINAPI ZIsRemote(LPCSTR root) { return std::string(root) == "Z:\\" ? DRIVE_REMOTE : DRIVE_FIXED; }
int WINAPI KnownProductsOnly(const char* code) { return std::string(code).find("{0000") == 0 ? 5 : -1; }

RegistrationStatus StatusOfCommand(const std::string& command, const std::string& keyName = "key",
                                   bool expandable = false) {
  ProgramEntry entry;
  entry.KeyName = keyName;
  entry.QuietUninstallString = command;  // used when there is no UninstallString
  entry.ExpandableValues = expandable ? QuietUninstallStringBit : 0u;
  entry.ValuesRead = AllValueBits;
  return StatusOf(entry);
}

const std::string Unknown = "{11111111-2222-3333-4444-555555555555}", Known = "{00000000-2222-3333-4444-555555555555}";

TEST(StatusTest, AMissingProgramIsFoundAsALaunchLooksForItAndNothingOnTheNetworkIsTouched) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quillmere status";
  std::filesystem::create_directories(folder / "Present App");
  std::ofstream(folder / "Present App" / "un.exe") << "MZ";
  const std::string base = folder.string();
  SetEnvironmentVariableA("QUILLMERE_STATUS", base.c_str());
  ApiHook search("KERNEL32.dll", "SearchPathA", &CountedSearch), drive("KERNEL32.dll", "GetDriveTypeA", &ZIsRemote);
  const RegistrationStatus Missing = RegistrationStatus::UninstallerMissing, Fine = RegistrationStatus::Fine;
  struct Case {
    std::string Command;
    bool Expandable;
    RegistrationStatus Status;
  };
  const Case cases[] = {
      {"\"" + base + "\\Missing App\\un.exe\" /S", false, Missing},
      {base + "\\Missing App\\un.exe /S", false, Missing},
      {"%QUILLMERE_STATUS%\\Missing App\\un.exe", true, Missing},
      {"%QUILLMERE_STATUS%\\Present App\\un.exe /S", true, Fine},
      {base + "\\Present App\\un.exe /S", false, Fine},
      {"rundll32.exe \"" + base + "\\Missing App\\un.dll\",Uninstall", false, Fine},
      {"\"" + base + "\\Missing App", false, Missing},
      {"%NO_SUCH_VARIABLE%\\un.exe", true, Missing},
      {"", false, Fine},
      {"   ", false, Fine},
      {"\"\"", false, Fine},
      {"C:\\" + std::string(300, 'x') + ".exe", false, Fine},
  };
  for (const Case& c : cases) EXPECT_EQ(c.Status, StatusOfCommand(c.Command, "key", c.Expandable)) << c.Command;
  EXPECT_GT(FileSystemCalls, 0) << "the hook sees the search";
  FileSystemCalls = 0;
  for (const char* remote : {"\\\\server\\share\\un.exe", "\"//server/share/Program Files/un.exe\" /S", "Z:\\un.exe"})
    EXPECT_EQ(Fine, StatusOfCommand(remote)) << remote;
  EXPECT_EQ(0, FileSystemCalls) << "a network path is never looked for";
  EXPECT_EQ(nullptr, GetModuleHandleA("msi.dll")) << "the installer is loaded only for product codes";
  std::filesystem::remove_all(folder);
}

TEST(StatusTest, AWindowsInstallerRegistrationIsStaleWhenTheInstallerDoesNotKnowItsProduct) {
  QueryProductState = KnownProductsOnly;
  EXPECT_EQ(RegistrationStatus::NotInstalled, StatusOfCommand("MsiExec.exe /X" + Unknown, Unknown));
  EXPECT_EQ(RegistrationStatus::NotInstalled, StatusOfCommand("C:\\Windows\\system32\\msiexec /i" + Unknown));
  EXPECT_EQ(RegistrationStatus::Fine, StatusOfCommand("MsiExec.exe /X" + Known, Known));
  EXPECT_EQ(RegistrationStatus::Fine, StatusOfCommand("msiexec.exe /X{1111}", "{1111}")) << "no product code";
}

}  // namespace
