#include "support/ApiHook.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

LaunchInterceptor* ActiveInterceptor = nullptr;

void WriteSlot(void** slot, void* value) {
  DWORD protection = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, protection, &protection);
}

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

}  // namespace

ApiHook::ApiHook(const char* dll, const char* function, void* standIn) : Slot(FindImportSlot(dll, function)) {
  EXPECT_TRUE(Slot) << "this executable does not import " << function;
  if (!Slot) return;
  Previous = *Slot;
  WriteSlot(Slot, standIn);
}

ApiHook::~ApiHook() {
  if (Slot) WriteSlot(Slot, Previous);
}

LaunchInterceptor::LaunchInterceptor(const std::string& childWords)
    : Hook("KERNEL32.dll", "CreateProcessA", reinterpret_cast<void*>(&Launch)) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  if (!childWords.empty()) Child = "\"" + std::string(self) + "\" --child " + childWords;
  ActiveInterceptor = this;
}

LaunchInterceptor::~LaunchInterceptor() { ActiveInterceptor = nullptr; }

BOOL WINAPI LaunchInterceptor::Launch(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                      DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process) {
  LaunchInterceptor& active = *ActiveInterceptor;
  active.CommandLines.push_back(commandLine);
  if (active.OnLaunch) active.OnLaunch();
  if (active.Child.empty()) return SetLastError(ERROR_FILE_NOT_FOUND), FALSE;
  std::string child = active.Child;
  return active.Hook.Original<decltype(&CreateProcessA)>()(nullptr, &child[0], nullptr, nullptr, FALSE, 0, nullptr,
                                                           nullptr, startup, process);
}
