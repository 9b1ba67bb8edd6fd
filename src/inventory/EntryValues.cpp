#include "inventory/EntryValues.h"

#include "inventory/InstallDate.h"

namespace {

struct ValueReader {
  EntryValue Value;
  void (*Read)(CRegistryKey& key, ProgramEntry& entry);
};

const ValueReader Readers[] = {
    {DisplayNameBit, [](CRegistryKey& k, ProgramEntry& e) { e.DisplayName = k.GetStringValue("DisplayName"); }},
    {QuietDisplayNameBit,
     [](CRegistryKey& k, ProgramEntry& e) { e.QuietDisplayName = k.GetStringValue("QuietDisplayName"); }},
    {UninstallStringBit,
     [](CRegistryKey& k, ProgramEntry& e) { e.UninstallString = k.GetStringValue("UninstallString"); }},
    {QuietUninstallStringBit,
     [](CRegistryKey& k, ProgramEntry& e) { e.QuietUninstallString = k.GetStringValue("QuietUninstallString"); }},
    {PublisherBit, [](CRegistryKey& k, ProgramEntry& e) { e.Publisher = k.GetStringValue("Publisher"); }},
    {DisplayVersionBit,
     [](CRegistryKey& k, ProgramEntry& e) { e.DisplayVersion = k.GetStringValue("DisplayVersion"); }},
    {EstimatedSizeBit, [](CRegistryKey& k, ProgramEntry& e) { e.EstimatedSize = k.GetDWordValue("EstimatedSize"); }},
    {HelpLinkBit, [](CRegistryKey& k, ProgramEntry& e) { e.HelpLink = k.GetStringValue("HelpLink"); }},
    {URLInfoAboutBit, [](CRegistryKey& k, ProgramEntry& e) { e.URLInfoAbout = k.GetStringValue("URLInfoAbout"); }},
    {URLUpdateInfoBit, [](CRegistryKey& k, ProgramEntry& e) { e.URLUpdateInfo = k.GetStringValue("URLUpdateInfo"); }},
    {HelpTelephoneBit, [](CRegistryKey& k, ProgramEntry& e) { e.HelpTelephone = k.GetStringValue("HelpTelephone"); }},
    {ContactBit, [](CRegistryKey& k, ProgramEntry& e) { e.Contact = k.GetStringValue("Contact"); }},
    {ReadmeBit, [](CRegistryKey& k, ProgramEntry& e) { e.Readme = k.GetStringValue("Readme"); }},
    {CommentsBit, [](CRegistryKey& k, ProgramEntry& e) { e.Comments = k.GetStringValue("Comments"); }},
    {DisplayIconBit, [](CRegistryKey& k, ProgramEntry& e) { e.DisplayIcon = k.GetStringValue("DisplayIcon"); }},
    {InstallDateBit,
     [](CRegistryKey& k, ProgramEntry& e) { e.InstallDate = ParseInstallDate(k.GetStringValue("InstallDate")); }},
    {WindowsInstallerBit,
     [](CRegistryKey& k, ProgramEntry& e) { e.WindowsInstaller = k.GetDWordValue("WindowsInstaller") == 1 ? 1 : 0; }},
};

}  // namespace

void ReadEntryValues(CRegistryKey& key, ProgramEntry& entry, uint32_t wanted) {
  for (const ValueReader& reader : Readers) {
    if ((wanted & reader.Value) == 0 || HoldsValues(entry, reader.Value)) continue;
    reader.Read(key, entry);
    entry.ValuesRead |= reader.Value;
  }
}
