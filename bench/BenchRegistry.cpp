#include "BenchRegistry.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "support/RegistrySandbox.h"

namespace {

const char* const IconFiles[] = {
    "C:\\windows\\notepad.exe",
    "C:\\windows\\regedit.exe",
    "C:\\windows\\winhlp32.exe",
    "C:\\windows\\system32\\shell32.dll,%d",
    "C:\\windows\\system32\\taskmgr.exe,0",
};

const char* const Words[] = {"Amber", "Birch",   "Cobalt",  "Drift", "Ember",  "Fern",   "Granite", "Harbor",
                             "Iris",  "Juniper", "Kestrel", "Lumen", "Meadow", "Nimbus", "Orchard", "Pebble"};

std::string Format(const char* format, int a, int b = 0) {
  char text[256];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

HKEY CreateKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}

void SetString(HKEY key, const char* name, const std::string& text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
}

void SetDword(HKEY key, const char* name, DWORD value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

HKEY RootOf(int i) { return i % 5 == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::string KeyNameOf(int i) {
  if (i % 97 == 1) return Format("KB%06d", 400000 + i);
  if (i % 20 == 3) return Format("{%08X-1A2B-4C3D-8E9F-%012d}", 0x5EED0000 + i, i);
  return Format("BenchProgram%05d", i);
}

std::string DisplayNameOf(int i) {
  std::string name = std::string(Words[i % 16]) + " " + Words[(i / 16) % 16] + Format(" Studio %d", i);
  return i % 10 == 0 ? name + " Tenth Edition" : name;
}

std::string PublisherOf(int i) { return std::string(Words[(i * 7) % 16]) + " Software"; }

// Half the registrations name an icon: a few programs of the prefix share theirs, and, as real
// programs do, those of shell32.dll (one in five) each name an icon of their own among its 184.
std::string DisplayIconOf(int i) { return i % 2 == 0 ? Format(IconFiles[(i / 2) % 5], (i / 10) % 184) : ""; }

bool HasUsageRecord(int i) { return i % 3 == 0; }

const wchar_t* const UsedProgram = L"C:\\windows\\notepad.exe";

std::string UsageRecordOf(int i) {
  std::vector<unsigned char> record(552, 0);
  const uint32_t values[] = {552, 1};
  memcpy(&record[0], values, sizeof values);
  const int64_t size = 1048576ll * (i % 700 + 1);
  memcpy(&record[8], &size, 8);
  const uint64_t lastUsed = 0x01DA000000000000ull + static_cast<uint64_t>(i) * 864000000000ull;
  memcpy(&record[16], &lastUsed, 8);
  const int32_t count = i % 7 == 0 ? -1 : i % 40;
  memcpy(&record[24], &count, 4);
  memcpy(&record[28], UsedProgram, wcslen(UsedProgram) * 2);
  return std::string(record.begin(), record.end());
}

void WriteRegistration(int i) {
  const std::string key = KeyNameOf(i);
  HKEY registration = CreateKey(RootOf(i), UninstallPath + key);
  SetString(registration, "DisplayName", DisplayNameOf(i));
  SetString(registration, "UninstallString", Format("\"C:\\Program Files\\Bench %d\\uninstall.exe\"", i));
  if (i % 4 == 0)
    SetString(registration, "QuietUninstallString", Format("\"C:\\Program Files\\Bench %d\\uninstall.exe\" /S", i));
  SetString(registration, "DisplayVersion", Format("%d.%d", i % 9 + 1, i % 13));
  SetString(registration, "Publisher", PublisherOf(i));
  SetString(registration, "URLInfoAbout", Format("http://bench%d.example/", i));
  SetString(registration, "HelpLink", Format("http://bench%d.example/help", i));
  SetString(registration, "InstallLocation", Format("C:\\Program Files\\Bench %d", i));
  SetString(registration, "InstallDate", "20260101");
  SetString(registration, "Comments", "A synthetic program for the benchmark");
  SetString(registration, "Contact", "bench@example.org");
  SetDword(registration, "EstimatedSize", static_cast<DWORD>(1024 * (i % 500 + 1)));
  SetDword(registration, "NoModify", 1);
  SetDword(registration, "NoRepair", 1);
  if (!DisplayIconOf(i).empty()) SetString(registration, "DisplayIcon", DisplayIconOf(i));
  if (key[0] == '{') SetDword(registration, "WindowsInstaller", 1);
  RegCloseKey(registration);
  if (HasUsageRecord(i)) {
    HKEY cache = CreateKey(RootOf(i), ArpCachePath + key);
    const std::string record = UsageRecordOf(i);
    RegSetValueExA(cache, "SlowInfoCache", 0, REG_BINARY, reinterpret_cast<const BYTE*>(record.data()),
                   static_cast<DWORD>(record.size()));
    RegCloseKey(cache);
  }
}

}  // namespace

void SeedRegistrations(int count) {
  for (int i = 0; i < count; ++i) WriteRegistration(i);
}

void RemoveRegistrations(int count) {
  for (int i = 0; i < count; ++i) {
    RegistrySandbox::DeleteTree(RootOf(i), UninstallPath + KeyNameOf(i));
    RegistrySandbox::DeleteTree(RootOf(i), ArpCachePath + KeyNameOf(i));
  }
}

BenchRow BenchRowOf(int i) {
  const std::wstring used = UsedProgram;
  std::string icon = DisplayIconOf(i);
  if (icon.empty() && HasUsageRecord(i)) icon.assign(used.begin(), used.end());
  return {KeyNameOf(i).compare(0, 2, "KB") != 0, DisplayNameOf(i), PublisherOf(i), icon};
}

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}
