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

  std::string GetStringValue(const std::string& name);
  uint32_t GetDWordValue(const std::string& name);
  // Copies a REG_BINARY value into buffer; a value larger than capacity is refused.
  bool GetBinaryValue(const std::string& name, void* buffer, size_t capacity);
  // Whether a value of exactly that name exists: the case of its letters counts, though the
  // registry finds values by name regardless of case and tells their own names only by index.
  bool HasValue(const std::string& name);

  // An index that fails is skipped, and noted in ReadFailed.
  void EnumerateSubKeys();
  // view: 0, or KEY_WOW64_64KEY / KEY_WOW64_32KEY to delete in that registry view.
  bool DeleteSubKey(const std::string& name, REGSAM view = 0);

  HKEY Handle = nullptr;
  // Set by a read of this key that failed for another reason than a missing value; cleared by Open.
  bool ReadFailed = false;
  // Set, a read that fails after its size was learned is noted in ReadFailed without a message.
  bool Quiet = false;
  uint32_t SubKeyCount = 0;
  std::vector<std::string> SubKeyNames;
  std::vector<FILETIME> SubKeyWriteTimes;  // the last-write time of each of SubKeyNames
};
