#include "support/RegistrySnapshot.h"

#include <vector>

namespace {

void AddValues(HKEY key, const std::string& path, RegistrySnapshot& snapshot) {
  DWORD longestName = 0, longestData = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName, &longestData,
                   nullptr, nullptr);
  std::vector<char> name(longestName + 1);
  std::vector<BYTE> data(longestData + 1);
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
      break;
    snapshot[path + std::string(name.data(), nameLength)] =
        std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data.data()), dataSize);
  }
}

void AddTree(HKEY parent, const std::string& name, const std::string& path, RegistrySnapshot& snapshot) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  snapshot[path] = "";
  AddValues(key, path, snapshot);
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
