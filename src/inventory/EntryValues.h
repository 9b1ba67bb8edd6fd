#pragma once
// The values of a registration's key that an entry holds: one bit each, set once the value has
// been read (a value missing from the key is read as empty or 0, as ever).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "inventory/ProgramEntry.h"
#include "registry/RegistryKey.h"

enum EntryValue : uint32_t {
  DisplayNameBit = 1u << 0,
  QuietDisplayNameBit = 1u << 1,
  UninstallStringBit = 1u << 2,
  QuietUninstallStringBit = 1u << 3,
  PublisherBit = 1u << 4,
  DisplayVersionBit = 1u << 5,
  EstimatedSizeBit = 1u << 6,
  HelpLinkBit = 1u << 7,
  URLInfoAboutBit = 1u << 8,
  URLUpdateInfoBit = 1u << 9,
  HelpTelephoneBit = 1u << 10,
  ContactBit = 1u << 11,
  ReadmeBit = 1u << 12,
  CommentsBit = 1u << 13,
  DisplayIconBit = 1u << 14,
  InstallDateBit = 1u << 15,
  WindowsInstallerBit = 1u << 16,
  SystemComponentBit = 1u << 17,
};
const uint32_t AllValueBits = (1u << 18) - 1;

inline bool HoldsValues(const ProgramEntry& entry, uint32_t values) { return (entry.ValuesRead & values) == values; }

// Reads from key, the registration's open key, the values of wanted that entry does not hold yet,
// in the order of the bits.
void ReadEntryValues(CRegistryKey& key, ProgramEntry& entry, uint32_t wanted);

// Whether the system's own list of programs hides the entry: it is a part of a bundle.
inline bool IsSystemComponent(const ProgramEntry& entry) { return entry.SystemComponent == 1; }

// The string value of field (UninstallStringBit, QuietUninstallStringBit) as it is to be used:
// with the environment's variables expanded when it is stored as REG_EXPAND_SZ.
std::string ExpandedValue(const ProgramEntry& entry, EntryValue field);

// text with the environment's variables (%name%) expanded.
std::string ExpandEnvironment(const std::string& text);

// An entry's values in little room, as scans keep them for later scans: the numbers, and the
// strings that are not empty, each with its bit.
struct PackedValues {
  uint32_t Read;
  uint32_t EstimatedSize;
  uint32_t InstallDate;
  int32_t WindowsInstaller;
  int32_t SystemComponent;
  uint32_t Expandable;
  std::vector<std::pair<uint32_t, std::string>> Texts;
};

PackedValues PackValues(const ProgramEntry& entry);
// Sets the values of entry, whose strings are empty, from values.
void UnpackValues(const PackedValues& values, ProgramEntry& entry);
