#include "inventory/InventoryScan.h"

#include "inventory/AsciiCase.h"
#include "inventory/UsageCache.h"
#include "registry/RegistryKey.h"

const char* const UninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

void ReadRemainingValues(CRegistryKey& key, ProgramEntry& entry) {
  entry.UninstallString = key.GetStringValue("UninstallString");
  entry.QuietUninstallString = key.GetStringValue("QuietUninstallString");
  entry.Publisher = key.GetStringValue("Publisher");
  entry.DisplayVersion = key.GetStringValue("DisplayVersion");
  entry.EstimatedSize = key.GetDWordValue("EstimatedSize");
  entry.HelpLink = key.GetStringValue("HelpLink");
  entry.URLInfoAbout = key.GetStringValue("URLInfoAbout");
  entry.URLUpdateInfo = key.GetStringValue("URLUpdateInfo");
  entry.HelpTelephone = key.GetStringValue("HelpTelephone");
  entry.Contact = key.GetStringValue("Contact");
  entry.Readme = key.GetStringValue("Readme");
  entry.Comments = key.GetStringValue("Comments");
  entry.DisplayIcon = key.GetStringValue("DisplayIcon");
  entry.WindowsInstaller = key.GetDWordValue("WindowsInstaller") == 1 ? 1 : 0;
}

// One pass of the scan: a root seen through a registry view.
struct RegistryView {
  HKEY Root;
  REGSAM View;
};

struct ScanFilter {
  std::string UpperSearchText;
  bool ShowSystemComponents;
};

// The entry steps for one registration; false when it is dropped.
bool ReadEntry(const RegistryView& pass, const std::string& keyName, const ScanFilter& filter,
               ProgramEntry& entry) {
  if (!filter.ShowSystemComponents && IsHotFix(keyName)) return false;

  CRegistryKey key;
  key.Open(pass.Root, UninstallKeyPath + keyName, KEY_READ | pass.View);
  if (!key.HasValue("UninstallString") && !key.HasValue("QuietUninstallString")) {
    key.Close();
    return false;
  }
  entry.KeyName = keyName;
  entry.Root = pass.Root;
  entry.View = pass.View;
  entry.DisplayName = key.GetStringValue("DisplayName");
  entry.QuietDisplayName = key.GetStringValue("QuietDisplayName");
  if (!filter.UpperSearchText.empty() && !MatchesSearch(entry, filter.UpperSearchText)) {
    key.Close();
    return false;
  }
  ReadRemainingValues(key, entry);
  ReadUsageCache(pass.Root, pass.View, keyName, entry);
  key.Close();
  return true;
}

void ScanPass(const RegistryView& pass, const ScanFilter& filter, std::vector<ProgramEntry>& inventory) {
  CRegistryKey uninstallKey;
  if (!uninstallKey.Open(pass.Root, UninstallKeyPath, KEY_READ | pass.View)) return;
  uninstallKey.EnumerateSubKeys();
  uninstallKey.Close();
  for (uint32_t i = 0; i < uninstallKey.SubKeyCount; ++i) {
    ProgramEntry entry;
    if (ReadEntry(pass, uninstallKey.SubKeyNames[i], filter, entry))
      inventory.push_back(std::move(entry));
  }
}

}  // namespace

bool IsHotFix(const std::string& keyName) {
  return StartsWith(keyName, "KB") || StartsWith(keyName, "Microsoft Security Patch");
}

bool MatchesSearch(const ProgramEntry& entry, const std::string& upperSearchText) {
  std::string searched = entry.DisplayName + entry.QuietDisplayName;
  if (searched.empty()) searched = entry.KeyName;
  return UpperCaseAscii(searched).find(upperSearchText) != std::string::npos;
}

std::vector<ProgramEntry> ScanInventory(const std::string& searchText, bool showSystemComponents) {
  const ScanFilter filter = {UpperCaseAscii(searchText), showSystemComponents};
  std::vector<ProgramEntry> inventory;
  ScanPass({HKEY_CURRENT_USER, 0}, filter, inventory);
  ScanPass({HKEY_LOCAL_MACHINE, 0}, filter, inventory);
  // A 32-bit program on 64-bit Windows sees only the 32-bit registrations of the machine
  // unless it asks for the 64-bit view; the user's registrations are shared by both.
  if (RunsUnderWow64()) ScanPass({HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, filter, inventory);
  return inventory;
}

bool RunsUnderWow64() {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
