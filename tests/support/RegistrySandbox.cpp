#include "support/RegistrySandbox.h"

#include <cstring>
#include <gtest/gtest.h>

const char* const UninstallPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char* const ArpCachePath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";

namespace {

const char* const ScratchParent = "Software\\QuillmereTests";

// Creates the path one key at a time: the ANSI registry calls of Wine refuse paths of more
// than 260 characters, and registrations may have names of up to 255.
HKEY CreateOrFail(HKEY parent, const std::string& path) {
  HKEY key = parent;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    HKEY child = nullptr;
    const std::string name = path.substr(start, end - start);
    LONG result = RegCreateKeyExA(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
    if (key != parent) RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
      ADD_FAILURE() << "RegCreateKeyExA(" << path << ") failed with " << result;
      return nullptr;
    }
    key = child;
    start = end + 1;
  }
  return key;
}

void DeleteTreeUnder(HKEY parent, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  char name[255 * 3 + 1];  // the longest key name in UTF-8
  for (;;) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DeleteTreeUnder(key, name);
  }
  RegCloseKey(key);
  RegDeleteKeyA(parent, path.c_str());
}

void PutLittleEndian(std::string& bytes, size_t offset, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace

std::string UsageRecord::Bytes() const {
  std::string bytes(552, '\0');
  PutLittleEndian(bytes, 0, RecordSize, 4);
  PutLittleEndian(bytes, 4, HasProgramPath, 4);
  PutLittleEndian(bytes, 8, static_cast<uint64_t>(ProgramSize), 8);
  PutLittleEndian(bytes, 16, LastUsedLow, 4);
  PutLittleEndian(bytes, 20, LastUsedHigh, 4);
  PutLittleEndian(bytes, 24, static_cast<uint32_t>(UseCount), 4);
  for (size_t i = 0; i < ProgramPath.size() && i < 262; ++i)
    PutLittleEndian(bytes, 28 + 2 * i, static_cast<uint16_t>(ProgramPath[i]), 2);
  return bytes;
}

RegistrySandbox::RegistrySandbox() {
  static int counter = 0;
  Base = std::string(ScratchParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
  // A process killed before it could clean up may have left the key behind under the same name.
  DeleteTreeUnder(HKEY_CURRENT_USER, Base);
  CurrentUser = CreateOrFail(HKEY_CURRENT_USER, Base + "\\CurrentUser");
  LocalMachine = CreateOrFail(HKEY_CURRENT_USER, Base + "\\LocalMachine");
  EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, CurrentUser));
  EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, LocalMachine));
}

RegistrySandbox::~RegistrySandbox() {
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(CurrentUser);
  RegCloseKey(LocalMachine);
  DeleteTreeUnder(HKEY_CURRENT_USER, Base);
}

std::string RegistrySandbox::ScratchPath(HKEY root) const {
  return Base + (root == HKEY_LOCAL_MACHINE ? "\\LocalMachine" : "\\CurrentUser");
}

void RegistrySandbox::CreateKey(HKEY root, const std::string& path) { RegCloseKey(CreateOrFail(root, path)); }

void RegistrySandbox::WriteValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                                 const std::string& bytes) {
  HKEY key = CreateOrFail(root, path);
  if (!key) return;
  LONG result = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size()));
  EXPECT_EQ(ERROR_SUCCESS, result) << "RegSetValueExA(" << path << ", " << name << ")";
  RegCloseKey(key);
}

void RegistrySandbox::WriteString(HKEY root, const std::string& path, const std::string& name, const std::string& text,
                                  DWORD type) {
  WriteValue(root, path, name, type, std::string(text.c_str(), text.size() + 1));
}

void RegistrySandbox::WriteDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
  WriteValue(root, path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

void RegistrySandbox::DeleteTree(HKEY root, const std::string& path) { DeleteTreeUnder(root, path); }

bool RegistrySandbox::KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void RegistrySandbox::AddRegistration(HKEY root, const std::string& keyName,
                                      const std::vector<std::pair<std::string, std::string>>& strings) {
  CreateKey(root, UninstallPath + keyName);
  for (const auto& value : strings) WriteString(root, UninstallPath + keyName, value.first, value.second);
}

void RegistrySandbox::WriteUsageRecord(HKEY root, const std::string& keyName, const std::string& bytes) {
  WriteValue(root, ArpCachePath + keyName, "SlowInfoCache", REG_BINARY, bytes);
}
