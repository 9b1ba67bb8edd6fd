#include "support/RegistrySnapshot.h"

#include <vector>

#include "support/RegistrySandbox.h"

namespace {

void AddTree(HKEY parent, const std::string& name, const std::string& path, RegistrySnapshot& snapshot) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  snapshot[path] = "";
  DWORD longestName = 0, longestData = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName, &longestData,
                   nullptr, nullptr);
  std::vector<char> value(longestName + 1);
  std::vector<char> data(longestData + 1);
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = static_cast<DWORD>(value.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueA(key, index, value.data(), &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                      &dataSize) != ERROR_SUCCESS)
      break;
    snapshot[path + value.data()] = std::to_string(type) + ":" + std::string(data.data(), dataSize);
  }
  char subkey[MAX_PATH] = {};
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof subkey;
    if (RegEnumKeyExA(key, index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    AddTree(key, subkey, path + subkey + "\\", snapshot);
  }
  RegCloseKey(key);
}

}  // namespace

RegistrySnapshot TakeRegistrySnapshot(HKEY root) {
  RegistrySnapshot snapshot;
  AddTree(root, "", "\\", snapshot);
  return snapshot;
}

RegistrySnapshot WithoutRegistration(RegistrySnapshot snapshot, const std::string& keyName) {
  const std::string key = std::string("\\") + UninstallPath + keyName + "\\";
  for (auto it = snapshot.begin(); it != snapshot.end();)
    it = it->first.compare(0, key.size(), key) == 0 ? snapshot.erase(it) : std::next(it);
  return snapshot;
}
