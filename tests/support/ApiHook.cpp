#include "support/ApiHook.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

RegistryCalls* ActiveCounter = nullptr;
std::mutex LiveHooksLock;  // hooked functions run on any thread
std::vector<ApiHook*> LiveHooks;

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

// The counting stand-in of a registry function of that type.
template <typename Function>
struct Counted;
template <typename... Arguments>
struct Counted<LONG WINAPI(Arguments...)> {
  static LONG WINAPI Call(Arguments... arguments) {
    ++ActiveCounter->Calls;
    return ApiHook::Original(&Call)(arguments...);
  }
};

LONG WINAPI CountedOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
  {
    std::lock_guard<std::mutex> lock(ActiveCounter->PathsLock);
    ActiveCounter->OpenedPaths.push_back(path ? path : "");
  }
  ++ActiveCounter->Calls;
  const LONG result = ApiHook::Original(&CountedOpen)(root, path, options, access, key);
  return ActiveCounter->Opens += result == ERROR_SUCCESS, result;
}

LONG WINAPI CountedClose(HKEY key) {
  return ++ActiveCounter->Calls, ++ActiveCounter->Closes, ApiHook::Original(&CountedClose)(key);
}

}  // namespace

ApiHook::ApiHook(const char* dll, const char* function, void* standIn)
    : Slot(FindImportSlot(dll, function)), StandIn(standIn) {
  EXPECT_TRUE(Slot) << "this executable does not import " << function;
  if (!Slot) return;
  std::lock_guard<std::mutex> lock(LiveHooksLock);
  Previous = *Slot, LiveHooks.push_back(this);
  WriteProcessMemory(GetCurrentProcess(), Slot, &standIn, sizeof standIn, nullptr);
}

ApiHook::~ApiHook() {
  if (!Slot) return;
  std::lock_guard<std::mutex> lock(LiveHooksLock);
  WriteProcessMemory(GetCurrentProcess(), Slot, &Previous, sizeof Previous, nullptr);
  LiveHooks.erase(std::find(LiveHooks.begin(), LiveHooks.end(), this));
}

void* ApiHook::PreviousOf(void* standIn) {
  std::lock_guard<std::mutex> lock(LiveHooksLock);
  const auto hook =
      std::find_if(LiveHooks.rbegin(), LiveHooks.rend(), [&](ApiHook* h) { return h->StandIn == standIn; });
  return hook == LiveHooks.rend() ? nullptr : (*hook)->Previous;
}

RegistryCalls::RegistryCalls() {
  ActiveCounter = this;
  Hooks.emplace_back("ADVAPI32.dll", "RegOpenKeyExA", &CountedOpen);
  Hooks.emplace_back("ADVAPI32.dll", "RegCloseKey", &CountedClose);
  Hooks.emplace_back("ADVAPI32.dll", "RegQueryValueExA", &Counted<decltype(RegQueryValueExA)>::Call);
  Hooks.emplace_back("ADVAPI32.dll", "RegEnumValueA", &Counted<decltype(RegEnumValueA)>::Call);
  Hooks.emplace_back("ADVAPI32.dll", "RegEnumKeyExA", &Counted<decltype(RegEnumKeyExA)>::Call);
  Hooks.emplace_back("ADVAPI32.dll", "RegDeleteKeyA", &Counted<decltype(RegDeleteKeyA)>::Call);
  Hooks.emplace_back("ADVAPI32.dll", "RegQueryInfoKeyA", &Counted<decltype(RegQueryInfoKeyA)>::Call);
}

RegistryCalls::~RegistryCalls() {
  Hooks.clear();
  ActiveCounter = nullptr;
}
