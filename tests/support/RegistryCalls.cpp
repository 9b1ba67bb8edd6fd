#include "support/RegistryCalls.h"

#include <algorithm>

namespace {

RegistryCalls* Active = nullptr;

using OpenKey = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
using QueryValue = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using EnumValue = LONG(WINAPI*)(HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using EnumKey = LONG(WINAPI*)(HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME);
using CloseKey = LONG(WINAPI*)(HKEY);
using DeleteKey = LONG(WINAPI*)(HKEY, LPCSTR);

OpenKey RealOpen;
QueryValue RealQuery;
EnumValue RealEnumValue;
EnumKey RealEnumKey;
CloseKey RealClose;
DeleteKey RealDelete;

LONG WINAPI CountedOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
  ++Active->Opens;
  Active->OpenedPaths.push_back(path ? path : "");
  return RealOpen(root, path, options, access, key);
}

LONG WINAPI CountedQuery(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  ++Active->Queries;
  return RealQuery(key, name, reserved, type, data, size);
}

LONG WINAPI CountedEnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD length, LPDWORD reserved, LPDWORD type,
                             LPBYTE data, LPDWORD size) {
  ++Active->ValueEnumerations;
  return RealEnumValue(key, index, name, length, reserved, type, data, size);
}

LONG WINAPI CountedEnumKey(HKEY key, DWORD index, LPSTR name, LPDWORD length, LPDWORD reserved, LPSTR className,
                           LPDWORD classLength, PFILETIME written) {
  ++Active->KeyEnumerations;
  return RealEnumKey(key, index, name, length, reserved, className, classLength, written);
}

LONG WINAPI CountedClose(HKEY key) {
  ++Active->Closes;
  return RealClose(key);
}

LONG WINAPI CountedDelete(HKEY key, LPCSTR name) {
  ++Active->Deletions;
  return RealDelete(key, name);
}

template <typename Function>
void Hook(std::vector<std::unique_ptr<ApiHook>>& hooks, const char* name, Function standIn, Function& real) {
  hooks.push_back(std::make_unique<ApiHook>("ADVAPI32.dll", name, reinterpret_cast<void*>(standIn)));
  real =
      hooks.back()->Installed()
          ? hooks.back()->Original<Function>()
          : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), name)));
}

}  // namespace

RegistryCalls::RegistryCalls() {
  Active = this;
  Hook(Hooks, "RegOpenKeyExA", &CountedOpen, RealOpen);
  Hook(Hooks, "RegQueryValueExA", &CountedQuery, RealQuery);
  Hook(Hooks, "RegEnumValueA", &CountedEnumValue, RealEnumValue);
  Hook(Hooks, "RegEnumKeyExA", &CountedEnumKey, RealEnumKey);
  Hook(Hooks, "RegCloseKey", &CountedClose, RealClose);
  Hook(Hooks, "RegDeleteKeyA", &CountedDelete, RealDelete);
}

RegistryCalls::~RegistryCalls() {
  Hooks.clear();
  Active = nullptr;
}

int RegistryCalls::OpensOf(const std::string& path) const {
  return static_cast<int>(std::count(OpenedPaths.begin(), OpenedPaths.end(), path));
}
