#pragma once
// Redirects both roots of this process to empty scratch keys under HKEY_CURRENT_USER\Software\QuillmereTests
// while it lives, and writes registry data there. When it cannot, it stops the process at once
// (exit code 3): no test ever runs on the real registry.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

extern const char* const UninstallPath;  // SOFTWARE\...\Uninstall\ with its trailing backslash
extern const char* const ArpCachePath;   // SOFTWARE\...\App Management\ARPCache\ likewise

class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();

  // path is relative to root, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE (redirected while a sandbox lives).
  static void Write(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& bytes,
                    REGSAM view = 0);
  // A registration with values "name=text" (REG_SZ) or "name=#number" (REG_DWORD).
  static void Register(HKEY root, const std::string& keyName, const std::vector<std::string>& values);
  static void WriteUsage(HKEY root, const std::string& keyName, const std::string& record);
  static void DeleteTree(HKEY root, const std::string& path);
  // Where root's scratch key lies in the real registry, as a full key name for other processes.
  std::string RealPath(HKEY root) const;

 private:
  std::string Base;
  HKEY Scratch[2] = {};
};

// A usage-cache record ("SlowInfoCache", 552 bytes); a path sets its path flag.
std::string UsageRecord(int64_t programSize, int32_t useCount, FILETIME lastUsed = {0, 0},
                        const std::wstring& path = L"");
FILETIME FileTimeOf(WORD year, WORD month, WORD day, WORD hour = 0);
