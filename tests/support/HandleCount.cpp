#include "support/HandleCount.h"

#include <windows.h>

#include <vector>

namespace {

struct SystemHandleEntry {
  ULONG OwnerPid;
  BYTE ObjectType;
  BYTE HandleFlags;
  USHORT HandleValue;
  PVOID ObjectPointer;
  ULONG AccessMask;
};

struct SystemHandleInformation {
  ULONG Count;
  SystemHandleEntry Handles[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
const ULONG SystemHandleInformationClass = 16;
const LONG StatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

}  // namespace

int CountOpenHandles() {
  auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<char> buffer(1 << 16);
  LONG status;
  ULONG length = 0;
  while ((status = query(SystemHandleInformationClass, buffer.data(), static_cast<ULONG>(buffer.size()),
                         &length)) == StatusInfoLengthMismatch)
    buffer.resize(buffer.size() * 2);
  if (status != 0) return -1;

  const auto* table = reinterpret_cast<const SystemHandleInformation*>(buffer.data());
  int count = 0;
  for (ULONG i = 0; i < table->Count; ++i)
    if (table->Handles[i].OwnerPid == GetCurrentProcessId()) ++count;
  return count;
}
