#include "support/RegistryCalls.h"

namespace {

RegistryCalls* Active = nullptr;
decltype(&RegOpenKeyExA) RealOpen;
decltype(&RegCloseKey) RealClose;
decltype(&RegQueryValueExA) RealQuery;
decltype(&RegEnumValueA) RealEnumValue;
decltype(&RegEnumKeyExA) RealEnumKey;
decltype(&RegDeleteKeyA) RealDelete;
decltype(&RegQueryInfoKeyA) RealInfo;

LONG Counted(LONG result) { return ++Active->Calls, result; }

LONG WINAPI Open(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
  Active->OpenedPaths.push_back(path ? path : "");
  const LONG result = Counted(RealOpen(root, path, options, access, key));
  return Active->Opens += result == ERROR_SUCCESS, result;
}
LONG WINAPI Close(HKEY key) { return ++Active->Closes, Counted(RealClose(key)); }
LONG WINAPI Query(HKEY k, LPCSTR n, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD s) {
  return Counted(RealQuery(k, n, r, t, d, s));
}
LONG WINAPI EnumValue(HKEY k, DWORD i, LPSTR n, LPDWORD l, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD s) {
  return Counted(RealEnumValue(k, i, n, l, r, t, d, s));
}
LONG WINAPI EnumKey(HKEY k, DWORD i, LPSTR n, LPDWORD l, LPDWORD r, LPSTR c, LPDWORD cl, PFILETIME w) {
  return Counted(RealEnumKey(k, i, n, l, r, c, cl, w));
}
LONG WINAPI Delete(HKEY key, LPCSTR name) { return Counted(RealDelete(key, name)); }
LONG WINAPI Info(HKEY k, LPSTR c, LPDWORD cl, LPDWORD r, LPDWORD s, LPDWORD sl, LPDWORD scl, LPDWORD v, LPDWORD vl,
                 LPDWORD dl, LPDWORD sd, PFILETIME w) {
  return Counted(RealInfo(k, c, cl, r, s, sl, scl, v, vl, dl, sd, w));
}

template <typename Function>
void Hook(std::vector<std::unique_ptr<ApiHook>>& hooks, const char* name, Function standIn, Function& real) {
  hooks.push_back(std::make_unique<ApiHook>("ADVAPI32.dll", name, reinterpret_cast<void*>(standIn)));
  real = hooks.back()->Original<Function>();
}

}  // namespace

RegistryCalls::RegistryCalls() {
  Active = this;
  Hook(Hooks, "RegOpenKeyExA", &Open, RealOpen);
  Hook(Hooks, "RegCloseKey", &Close, RealClose);
  Hook(Hooks, "RegQueryValueExA", &Query, RealQuery);
  Hook(Hooks, "RegEnumValueA", &EnumValue, RealEnumValue);
  Hook(Hooks, "RegEnumKeyExA", &EnumKey, RealEnumKey);
  Hook(Hooks, "RegDeleteKeyA", &Delete, RealDelete);
  Hook(Hooks, "RegQueryInfoKeyA", &Info, RealInfo);
}

RegistryCalls::~RegistryCalls() {
  Hooks.clear();
  Active = nullptr;
}
