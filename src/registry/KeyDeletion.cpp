#include "registry/RegistryKey.h"

namespace {

// RegDeleteKeyExA exists only where there are registry views (64-bit Windows, Vista and later).
LONG DeleteKeyInView(HKEY key, const std::string& name, REGSAM view) {
  if (view == 0) return RegDeleteKeyA(key, name.c_str());
  using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
  auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
  return deleteKeyEx ? deleteKeyEx(key, name.c_str(), view, 0) : ERROR_CALL_NOT_IMPLEMENTED;
}

// Deletes the subkeys and values of the subkey name, then the subkey itself, in the view.
// RegDeleteTreeA exists from Windows Vista on; before it, a key with subkeys is not deleted.
LONG DeleteTreeInView(HKEY key, const std::string& name, REGSAM view) {
  HKEY doomed = nullptr;
  const REGSAM access = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | view;
  LONG result = RegOpenKeyExA(key, name.c_str(), 0, access, &doomed);
  if (result != ERROR_SUCCESS) return result;
  using DeleteTree = LONG(WINAPI*)(HKEY, LPCSTR);
  auto deleteTree = reinterpret_cast<DeleteTree>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteTreeA")));
  if (deleteTree) result = deleteTree(doomed, nullptr);
  RegCloseKey(doomed);
  return result == ERROR_SUCCESS ? DeleteKeyInView(key, name, view) : result;
}

}  // namespace

bool CRegistryKey::DeleteSubKey(const std::string& name, REGSAM view) {
  if (!Handle) {
    MessageBoxA(nullptr, "DeleteSubKey called on a closed CRegistryKey", "", MB_ICONERROR);
    return false;
  }
  // An empty name would make the platform delete this key itself.
  LastError = name.empty() ? ERROR_INVALID_PARAMETER : DeleteTreeInView(Handle, name, view);
  if (LastError == ERROR_SUCCESS) return true;
  if (!Quiet) MessageBoxA(nullptr, "Error while deleting a registry key", "", MB_ICONERROR);
  return false;
}
