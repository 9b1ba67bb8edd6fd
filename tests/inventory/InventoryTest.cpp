#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>

#include "inventory/EntryStatus.h"
#include "inventory/InventoryScan.h"
#include "inventory/ReadAhead.h"
#include "support/AppSession.h"

namespace {

const HKEY User = HKEY_CURRENT_USER, Machine = HKEY_LOCAL_MACHINE;
using InventoryTest = RegistryTest;

// "title root [use count] [msi]" of each entry that a scan lists.
Texts Scanned(const std::string& search, bool showSystem = false) {
  Texts scanned;
  for (const auto& entry : ScanInventory(search, showSystem))
    scanned.push_back(Title(entry) + (entry.Root == User ? " user" : " machine") +
                      (entry.HasUsageData ? " " + std::to_string(entry.UseCount) : "") +
                      (entry.WindowsInstaller ? " msi" : ""));
  return scanned;
}

// The scan's clock, at which every key is old enough to be trusted once read.
void WINAPI FarFuture(FILETIME* now) { *now = {0, 0x7FFFFFFF}; }

TEST_F(InventoryTest, RegistrationsWithAnUninstallValueAreListedUserFirstAndSearchedInBothNamesIgnoringTheCaseOfAToZ) {
  std::string longValue = "E";  // a value name of over 16 KB in UTF-8, where a search among sorted names looks first
  for (int i = 0; i < 6000; ++i) longValue += "漢";
  // The longest key name, 765 bytes: the ANSI registry calls of Wine take no path over 260 characters.
  const std::string longKey = longValue.substr(1, 765);
  RegistrySandbox::Write(Machine, UninstallPath + longKey, longValue, REG_SZ, "x");
  RegistrySandbox::Register(User, "kb1", {"UninstallString=u"});  // a hot-fix's prefix has capitals
  RegistrySandbox::Register(User, "Shared", {"DisplayName=Shared", "UninstallString=u"});
  RegistrySandbox::Register(Machine, "KB2", {"QuietUninstallString=q"});
  RegistrySandbox::Register(Machine, "Microsoft Security Patch 3", {"UninstallString=u"});
  RegistrySandbox::Register(
      Machine, "Shared",
      {"DisplayName=Alpha", "QuietDisplayName=Beta", "QuietUninstallString=q", "WindowsInstaller=#1"});
  RegistrySandbox::Register(Machine, "Quiet", {"QuietDisplayName=Café", "UninstallString=u", "WindowsInstaller=1"});
  RegistrySandbox::Register(Machine, "Upper", {"DisplayName=CAFÉ WRITER", "UninstallString=u", "WindowsInstaller=#2"});
  RegistrySandbox::Register(Machine, "Lower", {"DisplayName=Lower", "uninstallstring=u"});
  RegistrySandbox::Register(Machine, longKey, {"DisplayName=漢字", "UninstallString=u"});
  // Only a DWORD 1 makes a system component.
  RegistrySandbox::Register(Machine, "Part", {"UninstallString=u", "SystemComponent=#1"});
  RegistrySandbox::Register(Machine, "Quiet", {"SystemComponent=#2"});
  RegistrySandbox::Register(Machine, "Upper", {"SystemComponent=1"});
  RegistrySandbox::Write(Machine, UninstallPath + std::string("Shared"), "SystemComponent", REG_QWORD,
                         std::string("\1\0\0\0\0\0\0\0", 8));
  RegistrySandbox::WriteUsage(Machine, "Shared", UsageRecord(1, 7));
  RegistrySandbox::WriteUsage(Machine, longKey, UsageRecord(1, 9));
  ScanClock = FarFuture;  // every key is old enough to be trusted once read
  const Texts all = {"kb1 user",      "Shared user", "Café machine", "Alpha machine 7 msi", "CAFÉ WRITER machine",
                     "漢字 machine 9"};
  struct {
    const char* Text;
    bool ShowSystemComponents;
    Texts Listed;
  } const searches[] = {
      {"hab", false, {"Alpha machine 7 msi"}},  // the others read up to their names, then whole once listed
      {"", false, all},
      {"",
       true,
       {"kb1 user", "Shared user", "KB2 machine", "Microsoft Security Patch 3 machine", "Part machine", "Café machine",
        "Alpha machine 7 msi", "CAFÉ WRITER machine", "漢字 machine 9"}},
      {"é", false, {"Café machine"}},
      {"fÉ", false, {"CAFÉ WRITER machine"}},
      {"KB1", false, {"kb1 user"}},
      {"shared", false, {"Shared user"}},
      {"", false, all}};  // from what the scans before kept
  RegistryCalls calls;
  for (const auto& search : searches)
    EXPECT_EQ(search.Listed, Scanned(search.Text, search.ShowSystemComponents)) << "search text " << search.Text;
  EXPECT_EQ(2 * 8, calls.OpensOf(UninstallKeyPath)) << "two passes (the two roots) a scan";
  EXPECT_EQ(calls.Opens, calls.Closes) << "every key closed";
  RegistrySandbox::Register(Machine, "Upper", {"DisplayName=CAFÉ WRITER 2"});
  EXPECT_EQ(Texts{"CAFÉ WRITER 2 machine"}, Scanned("fÉ")) << "a key written again is read again";
  EXPECT_EQ(Texts{}, Boxes.Boxes);
  ScanClock = GetSystemTimeAsFileTime;
}

// RegEnumKeyExA fails at every index once EveryIndexFails; RegOpenKeyExA fails once to open the key
// named FailingOpen, on any thread; RegQueryValueExA fails to read a DisplayName of over 256 bytes.
bool EveryIndexFails = false;
std::string FailingOpen;
std::mutex FailingOpenLock;
LONG WINAPI FailIndex(HKEY key, DWORD index, LPSTR name, LPDWORD length, LPDWORD reserved, LPSTR className,
                      LPDWORD classLength, PFILETIME written) {
  if (EveryIndexFails) return ERROR_MORE_DATA;
  return ApiHook::Original(&FailIndex)(key, index, name, length, reserved, className, classLength, written);
}
LONG WINAPI FailOpenOnce(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
  {
    std::lock_guard<std::mutex> lock(FailingOpenLock);
    if (path && path == FailingOpen) return FailingOpen.clear(), ERROR_ACCESS_DENIED;
  }
  return ApiHook::Original(&FailOpenOnce)(root, path, options, access, key);
}

LONG WINAPI FailLongNames(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (data && *size > 256 && std::string(name) == "DisplayName") return ERROR_ACCESS_DENIED;
  return ApiHook::Original(&FailLongNames)(key, name, reserved, type, data, size);
}

// More registrations than the workers may read ahead of the scan: their slots are used again.
TEST_F(InventoryTest, ManyKeysAreReadOnThreadsInOrderAndAReadThatFailsThereIsReadAgainByTheScanWithItsBox) {
  Texts listed;
  for (int i = 100; i < 150 + static_cast<int>(CReadAhead::Window); ++i) {
    const std::string name = "App" + std::to_string(i);
    RegistrySandbox::Register(Machine, name,
                              {"DisplayName=" + (i == 140 ? std::string(300, 'L') : name), "UninstallString=u"});
    if (i % 3 == 0) RegistrySandbox::WriteUsage(Machine, name, UsageRecord(1, i));
    listed.push_back(name + " machine" + (i % 3 == 0 ? " " + std::to_string(i) : ""));
  }
  ApiHook query("ADVAPI32.dll", "RegQueryValueExA", &FailLongNames),
      open("ADVAPI32.dll", "RegOpenKeyExA", &FailOpenOnce), enumerate("ADVAPI32.dll", "RegEnumKeyExA", &FailIndex);
  FailingOpen = "App" + std::to_string(120 + CReadAhead::Window);
  RegistryCalls calls;
  EXPECT_EQ(listed, Scanned(""));  // App140's name could not be read: its key name stands for it
  EXPECT_EQ(calls.Opens, calls.Closes);
  EXPECT_EQ(Texts{MessageBoxCatcher::Describe("Error while retreiving a registry value", "", MB_ICONERROR, "")},
            Boxes.Boxes)
      << "shown once, by the scan itself";
  EveryIndexFails = true;
  EXPECT_EQ(Texts{}, Scanned("")) << "the walk ends when every index fails";
}

// The file system is searched as ever, and counted; Z: is a network drive.
int FileSystemCalls = 0;
DWORD WINAPI CountedSearch(LPCSTR path, LPCSTR name, LPCSTR extension, DWORD size, LPSTR found, LPSTR* part) {
  ++FileSystemCalls;
  return ApiHook::Original(&CountedSearch)(path, name, extension, size, found, part);
}
UINT WINAPI ZIsRemote(LPCSTR root) { return std::string(root) == "Z:\\" ? DRIVE_REMOTE : DRIVE_FIXED; }
int WINAPI KnownProductsOnly(const char* code) { return std::string(code).find("{0000") == 0 ? 5 : -1; }

// The status of a registration whose only command is that one.
std::string StatusOfCommand(const std::string& command, const std::string& keyName = "key", bool expandable = false) {
  ProgramEntry entry;
  entry.KeyName = keyName;
  entry.QuietUninstallString = command;  // used when there is no UninstallString
  entry.ExpandableValues = expandable ? QuietUninstallStringBit : 0u;
  entry.ValuesRead = AllValueBits;
  return StatusText(StatusOf(entry));
}

const std::string Unknown = "{11111111-2222-3333-4444-555555555555}", Known = "{00000000-2222-3333-4444-555555555555}";

TEST(StatusTest, AMissingProgramIsFoundAsALaunchLooksForItAndNothingOnTheNetworkIsTouched) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quillmere status";
  std::filesystem::create_directories(folder / "Present App");
  std::ofstream(folder / "Present App" / "un.exe") << "MZ";
  const std::string base = folder.string();
  SetEnvironmentVariableA("QUILLMERE_STATUS", base.c_str());
  ApiHook search("KERNEL32.dll", "SearchPathA", &CountedSearch), drive("KERNEL32.dll", "GetDriveTypeA", &ZIsRemote);
  const std::string Missing = "Uninstaller missing", Fine = "";
  const struct {
    std::string Command;
    bool Expandable;
    std::string Status;
  } cases[] = {
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
  for (const auto& c : cases) EXPECT_EQ(c.Status, StatusOfCommand(c.Command, "key", c.Expandable)) << c.Command;
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
  const std::string stale = "Not installed (Windows Installer)";
  EXPECT_EQ(stale, StatusOfCommand("MsiExec.exe /X" + Unknown, Unknown));
  EXPECT_EQ(stale, StatusOfCommand("C:\\Windows\\system32\\msiexec /i" + Unknown));
  EXPECT_EQ("", StatusOfCommand("MsiExec.exe /X" + Known, Known));
  EXPECT_EQ("", StatusOfCommand("msiexec.exe /X{1111}", "{1111}")) << "no product code";
}

}  // namespace
