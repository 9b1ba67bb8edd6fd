#include "registry/KeyTree.h"

#include <vector>

namespace {

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::u16string Utf16(const wchar_t* text, DWORD length) { return std::u16string(text, text + length); }

// The key's values in index order, each read whole however its size changes meanwhile.
LONG ReadValues(HKEY key, std::vector<RegValue>& values) {
  DWORD nameRoom = 0, dataRoom = 0;
  LONG result = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameRoom,
                                 &dataRoom, nullptr, nullptr);
  std::vector<wchar_t> name(nameRoom + 1);
  std::vector<uint8_t> data(dataRoom);
  for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
    result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (result == ERROR_MORE_DATA) {
      name.resize(name.size() * 2 + 256);
      data.resize(data.size() * 2 + 256);
      --index;
      result = ERROR_SUCCESS;
      continue;
    }
    if (result == ERROR_SUCCESS)
      values.push_back({Utf16(name.data(), nameLength), type, std::vector<uint8_t>(data.begin(), data.begin() + size)});
  }
  return result;
}

LONG ReadTree(HKEY parent, const std::wstring& name, REGSAM view, RegKeyTree& tree);
LONG WriteTree(HKEY parent, const RegKeyTree& tree, REGSAM view);

LONG ReadSubKeys(HKEY key, REGSAM view, std::vector<RegKeyTree>& subKeys) {
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    LONG result = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (result == ERROR_SUCCESS) {
      subKeys.emplace_back();
      result = ReadTree(key, std::wstring(name, length), view, subKeys.back());
    }
    if (result != ERROR_SUCCESS) return result;
  }
}

// Sets the value's exact bytes. The system adds a NUL to a string value whose last character is not
// one when a NUL follows in memory: here a character that is not NUL follows.
LONG WriteValue(HKEY key, const RegValue& value) {
  std::vector<uint8_t> data = value.Data;
  data.insert(data.end(), {0xFF, 0xFF});
  return RegSetValueExW(key, Wide(value.Name).c_str(), 0, value.Type, data.data(),
                        static_cast<DWORD>(value.Data.size()));
}

LONG WriteContents(HKEY key, const RegKeyTree& tree, REGSAM view) {
  for (const RegValue& value : tree.Values) {
    const LONG result = WriteValue(key, value);
    if (result != ERROR_SUCCESS) return result;
  }
  for (const RegKeyTree& subKey : tree.SubKeys) {
    const LONG result = WriteTree(key, subKey, view);
    if (result != ERROR_SUCCESS) return result;
  }
  return ERROR_SUCCESS;
}

LONG ReadTree(HKEY parent, const std::wstring& name, REGSAM view, RegKeyTree& tree) {
  if (name.empty()) return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | view, &key);
  if (result != ERROR_SUCCESS) return result;
  tree = {Utf16(name.data(), static_cast<DWORD>(name.size())), {}, {}};
  result = ReadValues(key, tree.Values);
  if (result == ERROR_SUCCESS) result = ReadSubKeys(key, view, tree.SubKeys);
  RegCloseKey(key);
  return result;
}

LONG WriteTree(HKEY parent, const RegKeyTree& tree, REGSAM view) {
  if (tree.Name.empty()) return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG result = RegCreateKeyExW(parent, Wide(tree.Name).c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr,
                                &key, &disposition);
  if (result != ERROR_SUCCESS) return result;
  result = disposition == REG_OPENED_EXISTING_KEY ? ERROR_ALREADY_EXISTS : WriteContents(key, tree, view);
  RegCloseKey(key);
  return result;
}

// RegDeleteTreeW exists from Vista on.
void DeleteTree(HKEY parent, const std::wstring& name) {
  using DeleteTreeFunction = LONG(WINAPI*)(HKEY, LPCWSTR);
  auto deleteTree = reinterpret_cast<DeleteTreeFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteTreeW")));
  if (deleteTree && deleteTree(parent, name.c_str()) == ERROR_SUCCESS) RegDeleteKeyW(parent, name.c_str());
}

}  // namespace

LONG ReadKeyTree(HKEY root, const std::wstring& parentPath, const std::wstring& name, REGSAM view, RegKeyTree& tree) {
  HKEY parent = nullptr;
  LONG result = RegOpenKeyExW(root, parentPath.c_str(), 0, KEY_READ | view, &parent);
  if (result != ERROR_SUCCESS) return result;
  result = ReadTree(parent, name, view, tree);
  RegCloseKey(parent);
  return result;
}

LONG WriteKeyTree(HKEY root, const std::wstring& parentPath, const RegKeyTree& tree, REGSAM view) {
  HKEY parent = nullptr;
  LONG result =
      RegCreateKeyExW(root, parentPath.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr, &parent, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = WriteTree(parent, tree, view);
  if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS) DeleteTree(parent, Wide(tree.Name));
  RegCloseKey(parent);
  return result;
}
