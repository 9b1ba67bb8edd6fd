#pragma once
// Redirects HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE of this process to scratch keys for
// the lifetime of the object, and writes registrations of any shape under them.
// Nothing is ever written outside HKEY_CURRENT_USER\Software\QuillmereTests\<scratch>.
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

extern const char* const UninstallPath;  // SOFTWARE\...\Uninstall\ with its trailing backslash
extern const char* const ArpCachePath;   // SOFTWARE\...\App Management\ARPCache\ likewise

// The contents of a usage-cache record ("SlowInfoCache"), laid out as 552 bytes by Bytes().
struct UsageRecord {
  uint32_t RecordSize = 552;
  uint32_t HasProgramPath = 0;
  int64_t ProgramSize = 0;
  uint32_t LastUsedLow = 0;
  uint32_t LastUsedHigh = 0;
  int32_t UseCount = 0;
  std::wstring ProgramPath;  // stored as UTF-16LE from offset 28, cut to 262 code units

  std::string Bytes() const;
};

class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // Full path under the real HKEY_CURRENT_USER of the scratch key that stands in for root.
  std::string ScratchPath(HKEY root) const;

  // Writers: root is HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE (redirected); path is relative to it.
  static void CreateKey(HKEY root, const std::string& path);
  static void WriteValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                         const std::string& bytes);
  static void WriteString(HKEY root, const std::string& path, const std::string& name, const std::string& text,
                          DWORD type = REG_SZ);
  static void WriteDword(HKEY root, const std::string& path, const std::string& name, DWORD value);
  static void DeleteTree(HKEY root, const std::string& path);
  static bool KeyExists(HKEY root, const std::string& path);

  // A registration under root's uninstall key with the given REG_SZ values.
  static void AddRegistration(HKEY root, const std::string& keyName,
                              const std::vector<std::pair<std::string, std::string>>& strings);
  static void WriteUsageRecord(HKEY root, const std::string& keyName, const std::string& bytes);
  static void WriteUsageRecord(HKEY root, const std::string& keyName, const UsageRecord& record) {
    WriteUsageRecord(root, keyName, record.Bytes());
  }

 private:
  std::string Base;
  HKEY CurrentUser = nullptr;
  HKEY LocalMachine = nullptr;
};
