#include "support/RegistrySandbox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

// The system declares it for Vista and later only; Wine has it.
extern "C" WINADVAPI LONG WINAPI RegDeleteTreeA(HKEY key, LPCSTR path);

const char* const UninstallPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char* const ArpCachePath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";

namespace {

const HKEY Roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};

[[noreturn]] void Stop(const std::string& what, LONG error) {
  std::fprintf(stderr, "RegistrySandbox cannot %s (error %ld): stopped before any test reaches the real registry\n",
               what.c_str(), error);
  std::fflush(stderr);
  std::_Exit(3);
}

// The system's deletion, which stops at the first key that it cannot delete; a missing key is no error.
LONG DeleteTreeUnder(HKEY root, const std::string& path) {
  const LONG result = RegDeleteTreeA(root, path.c_str());
  return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

}  // namespace

RegistrySandbox::RegistrySandbox() {
  static int counter = 0;
  Base = "Software\\QuillmereTests\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
  // A process killed before it could clean up may have left a key of the same name.
  if (const LONG error = DeleteTreeUnder(HKEY_CURRENT_USER, Base)) Stop("empty " + Base, error);
  for (int i = 0; i < 2; ++i)
    if (const LONG error = RegCreateKeyExA(HKEY_CURRENT_USER, (Base + (i ? "\\LocalMachine" : "\\CurrentUser")).c_str(),
                                           0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Scratch[i], nullptr))
      Stop("make a scratch key under " + Base, error);
  for (int i = 0; i < 2; ++i)
    if (const LONG error = RegOverridePredefKey(Roots[i], Scratch[i])) Stop("redirect a root to " + Base, error);
}

RegistrySandbox::~RegistrySandbox() {
  for (HKEY root : Roots) RegOverridePredefKey(root, nullptr);
  for (HKEY key : Scratch) RegCloseKey(key);
  DeleteTree(HKEY_CURRENT_USER, Base);
}

// The path goes as UTF-16: the ANSI registry calls of Wine refuse paths of over 260 characters.
void RegistrySandbox::Write(HKEY root, const std::string& path, const std::string& name, DWORD type,
                            const std::string& bytes, REGSAM view) {
  std::wstring wide(path.size() + 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  HKEY key = nullptr;
  ASSERT_EQ(0, RegCreateKeyExW(root, wide.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr))
      << path;
  EXPECT_EQ(0, RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(bytes.size())))
      << path << "\\" << name;
  RegCloseKey(key);
}

void RegistrySandbox::Register(HKEY root, const std::string& keyName, const std::vector<std::string>& values) {
  for (const std::string& value : values) {
    const std::string name = value.substr(0, value.find('=')), text = value.substr(name.size() + 1);
    const DWORD number = text[0] == '#' ? std::stoul(text.substr(1)) : 0;
    Write(root, UninstallPath + keyName, name, text[0] == '#' ? REG_DWORD : REG_SZ,
          text[0] == '#' ? std::string(reinterpret_cast<const char*>(&number), 4) : text + '\0');
  }
}

void RegistrySandbox::WriteUsage(HKEY root, const std::string& keyName, const std::string& record) {
  Write(root, ArpCachePath + keyName, "SlowInfoCache", REG_BINARY, record);
}

void RegistrySandbox::DeleteTree(HKEY root, const std::string& path) {
  EXPECT_EQ(0, DeleteTreeUnder(root, path)) << "RegistrySandbox cannot delete " << path;
}

std::string RegistrySandbox::RealPath(HKEY root) const {
  return "HKEY_CURRENT_USER\\" + Base + (root == HKEY_LOCAL_MACHINE ? "\\LocalMachine" : "\\CurrentUser");
}

std::string UsageRecord(int64_t programSize, int32_t useCount, FILETIME lastUsed, const std::wstring& path) {
  std::string bytes(552, '\0');
  const uint32_t head[] = {552, !path.empty()};
  std::memcpy(&bytes[0], head, 8);
  std::memcpy(&bytes[8], &programSize, 8);
  std::memcpy(&bytes[16], &lastUsed, 8);
  std::memcpy(&bytes[24], &useCount, 4);
  std::memcpy(&bytes[28], path.data(), std::min<size_t>(path.size(), 262) * 2);
  return bytes;
}

FILETIME FileTimeOf(WORD year, WORD month, WORD day, WORD hour) {
  const SYSTEMTIME date = {year, month, 0, day, hour, 0, 0, 0};
  FILETIME time = {};
  return SystemTimeToFileTime(&date, &time), time;
}
