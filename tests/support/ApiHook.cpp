#include "support/ApiHook.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

RegistryCalls* ActiveCounter = nullptr;

void** FindImportSlot(const char* dll, const char* function) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
      base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
  for (; descriptor->Name; ++descriptor) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + descriptor->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots)
      if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
          !std::strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name, function))
        return reinterpret_cast<void**>(&slots->u1.Function);
  }
  return nullptr;
}

// The stand-in of the registry function that the counter's hook number Hook replaces.
template <size_t Hook, typename Function>
struct Counted;
template <size_t Hook, typename... Arguments>
struct Counted<Hook, LONG WINAPI(Arguments...)> {
  static LONG WINAPI Call(Arguments... arguments) {
    ++ActiveCounter->Calls;
    return ActiveCounter->Hooks[Hook].Original<LONG WINAPI(Arguments...)>()(arguments...);
  }
};

LONG WINAPI CountedOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
  {
    std::lock_guard<std::mutex> lock(ActiveCounter->PathsLock);
    ActiveCounter->OpenedPaths.push_back(path ? path : "");
  }
  const LONG result = Counted<0, decltype(RegOpenKeyExA)>::Call(root, path, options, access, key);
  return ActiveCounter->Opens += result == ERROR_SUCCESS, result;
}

LONG WINAPI CountedClose(HKEY key) { return ++ActiveCounter->Closes, Counted<1, decltype(RegCloseKey)>::Call(key); }

}  // namespace

ApiHook::ApiHook(const char* dll, const char* function, void* standIn) : Slot(FindImportSlot(dll, function)) {
  EXPECT_TRUE(Slot) << "this executable does not import " << function;
  if (Slot) Previous = *Slot, WriteProcessMemory(GetCurrentProcess(), Slot, &standIn, sizeof standIn, nullptr);
}

ApiHook::~ApiHook() {
  if (Slot) WriteProcessMemory(GetCurrentProcess(), Slot, &Previous, sizeof Previous, nullptr);
}

RegistryCalls::RegistryCalls() {
  ActiveCounter = this;
  Hooks.emplace_back("ADVAPI32.dll", "RegOpenKeyExA", &CountedOpen);
  Hooks.emplace_back("ADVAPI32.dll", "RegCloseKey", &CountedClose);
  Hooks.emplace_back("ADVAPI32.dll", "RegQueryValueExA", &Counted<2, decltype(RegQueryValueExA)>::Call);
  Hooks.emplace_back("ADVAPI32.dll", "RegEnumValueA", &Counted<3, decltype(RegEnumValueA)>::Call);
  Hooks.emplace_back("ADVAPI32.dll", "RegEnumKeyExA", &Counted<4, decltype(RegEnumKeyExA)>::Call);
  Hooks.emplace_back("ADVAPI32.dll", "RegDeleteKeyA", &Counted<5, decltype(RegDeleteKeyA)>::Call);
  Hooks.emplace_back("ADVAPI32.dll", "RegQueryInfoKeyA", &Counted<6, decltype(RegQueryInfoKeyA)>::Call);
}

RegistryCalls::~RegistryCalls() {
  Hooks.clear();
  ActiveCounter = nullptr;
}
