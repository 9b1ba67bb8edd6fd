#include "support/RegistrySandbox.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

const char* const UninstallPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char* const ArpCachePath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";

namespace {

const HKEY Roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};

[[noreturn]] void Stop(const std::string& what, LONG error) {
  std::fprintf(stderr, "RegistrySandbox: %s (error %ld): stopped before any test reaches the real registry\n",
               what.c_str(), error);
  std::fflush(stderr);
  std::_Exit(3);
}

// Creates the path one key at a time: the ANSI registry calls of Wine refuse paths of more than
// 260 characters, and registrations may have names of up to 255.
LONG CreatePath(HKEY parent, const std::string& path, HKEY* created) {
  HKEY key = parent;
  for (size_t start = 0, end = 0; start <= path.size(); start = end + 1) {
    end = std::min(path.find('\\', start), path.size());
    HKEY child = nullptr;
    const LONG result = RegCreateKeyExA(key, path.substr(start, end - start).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                        nullptr, &child, nullptr);
    if (key != parent) RegCloseKey(key);
    if (result != ERROR_SUCCESS) return result;
    key = child;
  }
  *created = key;
  return ERROR_SUCCESS;
}

// Deletes path and everything below it. A key that cannot be opened or deleted ends the walk with
// a failure: trying it again would go on forever.
bool DeleteTreeUnder(HKEY parent, const std::string& path) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key);
  if (result == ERROR_FILE_NOT_FOUND) return true;
  char name[255 * 3 + 1];  // the longest key name in UTF-8
  for (DWORD length = sizeof name;
       result == ERROR_SUCCESS && RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == 0;
       length = sizeof name)
    if (!DeleteTreeUnder(key, name)) result = ERROR_CANTWRITE;
  if (key) RegCloseKey(key);
  if (result == ERROR_SUCCESS) result = RegDeleteKeyA(parent, path.c_str());
  if (result != ERROR_SUCCESS)
    ADD_FAILURE() << "RegistrySandbox: cannot delete " << path << " (error " << result << ")";
  return result == ERROR_SUCCESS;
}

}  // namespace

RegistrySandbox::RegistrySandbox() {
  static int counter = 0;
  Base = "Software\\QuillmereTests\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
  // A process killed before it could clean up may have left a key of the same name.
  if (!DeleteTreeUnder(HKEY_CURRENT_USER, Base)) Stop("cannot empty the scratch key " + Base, 0);
  for (int i = 0; i < 2; ++i)
    if (const LONG error = CreatePath(HKEY_CURRENT_USER, Base + (i ? "\\LocalMachine" : "\\CurrentUser"), &Scratch[i]))
      Stop("cannot make a scratch key under " + Base, error);
  for (int i = 0; i < 2; ++i)
    if (const LONG error = RegOverridePredefKey(Roots[i], Scratch[i])) Stop("cannot redirect a root to " + Base, error);
}

RegistrySandbox::~RegistrySandbox() {
  for (HKEY root : Roots) RegOverridePredefKey(root, nullptr);
  for (HKEY key : Scratch) RegCloseKey(key);
  DeleteTreeUnder(HKEY_CURRENT_USER, Base);
}

void RegistrySandbox::Write(HKEY root, const std::string& path, const std::string& name, DWORD type,
                            const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, CreatePath(root, path, &key)) << path;
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                          static_cast<DWORD>(bytes.size())))
      << path << "\\" << name;
  RegCloseKey(key);
}

void RegistrySandbox::Register(HKEY root, const std::string& keyName, const std::vector<std::string>& values) {
  for (const std::string& value : values) {
    const std::string name = value.substr(0, value.find('=')), text = value.substr(name.size() + 1);
    const DWORD number = text[0] == '#' ? std::stoul(text.substr(1)) : 0;
    if (text[0] == '#')
      Write(root, UninstallPath + keyName, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4));
    else
      Write(root, UninstallPath + keyName, name, REG_SZ, text + '\0');
  }
}

void RegistrySandbox::DeleteTree(HKEY root, const std::string& path) { DeleteTreeUnder(root, path); }

bool RegistrySandbox::KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string UsageRecord(int64_t programSize, int32_t useCount, FILETIME lastUsed, const std::wstring& path) {
  std::string bytes(552, '\0');
  const auto put = [&bytes](size_t offset, uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
  };
  const uint64_t fields[][3] = {{0, 552, 4},
                                {4, !path.empty(), 4},
                                {8, static_cast<uint64_t>(programSize), 8},
                                {16, lastUsed.dwLowDateTime, 4},
                                {20, lastUsed.dwHighDateTime, 4},
                                {24, static_cast<uint32_t>(useCount), 4}};
  for (const auto& field : fields) put(field[0], field[1], field[2]);
  for (size_t i = 0; i < path.size() && i < 262; ++i) put(28 + 2 * i, path[i], 2);
  return bytes;
}

FILETIME FileTimeOf(WORD year, WORD month, WORD day, WORD hour) {
  const SYSTEMTIME date = {year, month, 0, day, hour, 0, 0, 0};
  FILETIME time = {};
  SystemTimeToFileTime(&date, &time);
  return time;
}
