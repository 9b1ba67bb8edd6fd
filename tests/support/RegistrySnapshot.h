#pragma once
// Everything below a registry key, for before/after comparisons: each key as "path\" and each
// value as "path\name" mapped to its type and data.
#include <windows.h>

#include <map>
#include <string>

using RegistrySnapshot = std::map<std::string, std::string>;

// root is a (redirected) HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE: the whole scratch tree.
RegistrySnapshot TakeRegistrySnapshot(HKEY root);

// snapshot without the registration keyName of the uninstall key: its key, values and subkeys.
RegistrySnapshot WithoutRegistration(RegistrySnapshot snapshot, const std::string& keyName);

// Both scratch roots.
struct Registries {
  RegistrySnapshot User = TakeRegistrySnapshot(HKEY_CURRENT_USER);
  RegistrySnapshot Machine = TakeRegistrySnapshot(HKEY_LOCAL_MACHINE);

  RegistrySnapshot& Of(HKEY root) { return root == HKEY_CURRENT_USER ? User : Machine; }
  bool operator==(const Registries& other) const { return User == other.User && Machine == other.Machine; }
};
