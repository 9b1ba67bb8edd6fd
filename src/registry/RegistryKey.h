#pragma once
// One open registry key with typed reads, a value test, subkey enumeration and deletion.
// Failures of a read after its size was learned, and of a deletion, are shown in a message box;
// every failed read is noted in ReadFailed.
// The key is closed when the object goes out of scope; an object can be moved, never copied, so
// that each key is closed once.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CRegistryKey {
 public:
  CRegistryKey() = default;
  ~CRegistryKey();
  CRegistryKey(CRegistryKey&& other) noexcept;
  CRegistryKey& operator=(CRegistryKey&& other) noexcept;
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  bool Open(HKEY root, const std::string& path, REGSAM access);
  // False when the key was not open; closing a closed key does nothing.
  bool Close();
  bool IsOpen() const { return Handle != nullptr; }
  // Whether the key lies in the 32-bit registry view's own node (its path passes through
  // Wow6432Node), as the machine's redirected keys do on 64-bit Windows; true where the system
  // does not tell the key's path.
  bool IsInWow6432Node() const;

  // type, when given, receives the value's type (REG_SZ or REG_EXPAND_SZ for a text).
  std::string GetStringValue(const std::string& name, DWORD* type = nullptr);
  uint32_t GetDWordValue(const std::string& name);
  // Copies a REG_BINARY value into buffer; a value larger than capacity is refused.
  bool GetBinaryValue(const std::string& name, void* buffer, size_t capacity);
  // Whether a value of exactly that name exists: the case of its letters counts, though the
  // registry finds values by name regardless of case and tells their own names only by index.
  bool HasValue(const std::string& name);

  // An index that fails is skipped, and noted in ReadFailed.
  void EnumerateSubKeys();
  // Deletes the subkey whole, with its own subkeys; view: 0, or KEY_WOW64_64KEY / KEY_WOW64_32KEY
  // to delete in that registry view. Never this key itself: an empty name is refused.
  bool DeleteSubKey(const std::string& name, REGSAM view = 0);

  HKEY Handle = nullptr;
  // Set by a read of this key that failed for another reason than a missing value; cleared by Open.
  bool ReadFailed = false;
  // Set, a read that fails after its size was learned is noted in ReadFailed without a message,
  // and a failed deletion shows none.
  bool Quiet = false;
  // The system's error of the last Open or DeleteSubKey that failed.
  LONG LastError = ERROR_SUCCESS;
  uint32_t SubKeyCount = 0;
  std::vector<std::string> SubKeyNames;
  std::vector<FILETIME> SubKeyWriteTimes;  // the last-write time of each of SubKeyNames
};
