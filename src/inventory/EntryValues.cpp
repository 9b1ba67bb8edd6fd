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

// A text value is read into the member of its own name; any other by the function Read<name>.
#define TEXT_VALUE(name) \
  { name##Bit, #name, &ProgramEntry::name, nullptr }
#define OTHER_VALUE(name) \
  { name##Bit, #name, nullptr, Read##name }
const ValueReader Readers[] = {TEXT_VALUE(DisplayName),
                               TEXT_VALUE(QuietDisplayName),
                               TEXT_VALUE(UninstallString),
                               TEXT_VALUE(QuietUninstallString),
                               TEXT_VALUE(Publisher),
                               TEXT_VALUE(DisplayVersion),
                               OTHER_VALUE(EstimatedSize),
                               TEXT_VALUE(HelpLink),
                               TEXT_VALUE(URLInfoAbout),
                               TEXT_VALUE(URLUpdateInfo),
                               TEXT_VALUE(HelpTelephone),
                               TEXT_VALUE(Contact),
                               TEXT_VALUE(Readme),
                               TEXT_VALUE(Comments),
                               TEXT_VALUE(DisplayIcon),
                               OTHER_VALUE(InstallDate),
                               OTHER_VALUE(WindowsInstaller),
                               OTHER_VALUE(SystemComponent)};
#undef TEXT_VALUE
#undef OTHER_VALUE

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
