#include "inventory/EntryValues.h"

#include "inventory/Dates.h"

namespace {

struct ValueReader {
  EntryValue Value;
  const char* Name;
  std::string ProgramEntry::*Text;  // the field of a string value; null for a number
  void (*ReadNumber)(CRegistryKey& key, ProgramEntry& entry);
};

void ReadEstimatedSize(CRegistryKey& key, ProgramEntry& entry) {
  entry.EstimatedSize = key.GetDWordValue("EstimatedSize");
}

void ReadInstallDate(CRegistryKey& key, ProgramEntry& entry) {
  entry.InstallDate = ParseInstallDate(key.GetStringValue("InstallDate"));
}

void ReadWindowsInstaller(CRegistryKey& key, ProgramEntry& entry) {
  entry.WindowsInstaller = key.GetDWordValue("WindowsInstaller") == 1 ? 1 : 0;
}

void ReadSystemComponent(CRegistryKey& key, ProgramEntry& entry) {
  entry.SystemComponent = key.GetDWordValue("SystemComponent") == 1 ? 1 : 0;
}

const ValueReader Readers[] = {
    {DisplayNameBit, "DisplayName", &ProgramEntry::DisplayName, nullptr},
    {QuietDisplayNameBit, "QuietDisplayName", &ProgramEntry::QuietDisplayName, nullptr},
    {UninstallStringBit, "UninstallString", &ProgramEntry::UninstallString, nullptr},
    {QuietUninstallStringBit, "QuietUninstallString", &ProgramEntry::QuietUninstallString, nullptr},
    {PublisherBit, "Publisher", &ProgramEntry::Publisher, nullptr},
    {DisplayVersionBit, "DisplayVersion", &ProgramEntry::DisplayVersion, nullptr},
    {EstimatedSizeBit, "EstimatedSize", nullptr, ReadEstimatedSize},
    {HelpLinkBit, "HelpLink", &ProgramEntry::HelpLink, nullptr},
    {URLInfoAboutBit, "URLInfoAbout", &ProgramEntry::URLInfoAbout, nullptr},
    {URLUpdateInfoBit, "URLUpdateInfo", &ProgramEntry::URLUpdateInfo, nullptr},
    {HelpTelephoneBit, "HelpTelephone", &ProgramEntry::HelpTelephone, nullptr},
    {ContactBit, "Contact", &ProgramEntry::Contact, nullptr},
    {ReadmeBit, "Readme", &ProgramEntry::Readme, nullptr},
    {CommentsBit, "Comments", &ProgramEntry::Comments, nullptr},
    {DisplayIconBit, "DisplayIcon", &ProgramEntry::DisplayIcon, nullptr},
    {InstallDateBit, "InstallDate", nullptr, ReadInstallDate},
    {WindowsInstallerBit, "WindowsInstaller", nullptr, ReadWindowsInstaller},
    {SystemComponentBit, "SystemComponent", nullptr, ReadSystemComponent},
};

}  // namespace

void ReadEntryValues(CRegistryKey& key, ProgramEntry& entry, uint32_t wanted) {
  for (const ValueReader& reader : Readers) {
    if ((wanted & reader.Value) == 0 || HoldsValues(entry, reader.Value)) continue;
    DWORD type = REG_NONE;
    if (reader.Text)
      entry.*reader.Text = key.GetStringValue(reader.Name, &type);
    else
      reader.ReadNumber(key, entry);
    entry.ValuesRead |= reader.Value;
    if (type == REG_EXPAND_SZ) entry.ExpandableValues |= reader.Value;
  }
}

std::string ExpandedValue(const ProgramEntry& entry, EntryValue field) {
  for (const ValueReader& reader : Readers)
    if (reader.Value == field && reader.Text)
      return entry.ExpandableValues & field ? ExpandEnvironment(entry.*reader.Text) : entry.*reader.Text;
  return "";
}

std::string ExpandEnvironment(const std::string& text) {
  std::string expanded(text.size() + 1, '\0');
  for (;;) {
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), &expanded[0], static_cast<DWORD>(expanded.size()));
    if (needed == 0) return text;
    if (needed <= expanded.size()) return expanded.substr(0, expanded.find('\0'));
    expanded.assign(needed, '\0');
  }
}

PackedValues PackValues(const ProgramEntry& entry) {
  PackedValues values = {entry.ValuesRead,
                         entry.EstimatedSize,
                         entry.InstallDate,
                         entry.WindowsInstaller,
                         entry.SystemComponent,
                         entry.ExpandableValues,
                         {}};
  for (const ValueReader& reader : Readers)
    if (reader.Text && !(entry.*reader.Text).empty()) values.Texts.emplace_back(reader.Value, entry.*reader.Text);
  return values;
}

void UnpackValues(const PackedValues& values, ProgramEntry& entry) {
  entry.ValuesRead = values.Read;
  entry.EstimatedSize = values.EstimatedSize;
  entry.InstallDate = values.InstallDate;
  entry.WindowsInstaller = values.WindowsInstaller;
  entry.SystemComponent = values.SystemComponent;
  entry.ExpandableValues = values.Expandable;
  for (const auto& text : values.Texts)
    for (const ValueReader& reader : Readers)
      if (reader.Value == text.first) entry.*reader.Text = text.second;
}
