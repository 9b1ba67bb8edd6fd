#include "actions/EntryBackup.h"

#include <shlobj.h>

#include <cstdio>

#include "actions/ExportFormat.h"
#include "actions/FileWriting.h"
#include "inventory/InventoryScan.h"
#include "inventory/WideText.h"
#include "registry/KeyTree.h"

namespace {

const char* const Wow64UninstallKeyPath = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring LocalAppData() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return path;
  return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path)) ? path : L"";
}

std::wstring BackupFolder() { return LocalAppData() + L"\\Quillmere\\Removed entries"; }

// "YYYY-MM-DD HH.MM.SS" of the local time.
std::string TimeStamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u.%02u.%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return stamp;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

DWORD MakeFolder(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS ? ERROR_SUCCESS
                                                                                           : GetLastError();
}

DWORD MakeBackupFolder() {
  const DWORD error = MakeFolder(LocalAppData() + L"\\Quillmere");
  return error != ERROR_SUCCESS ? error : MakeFolder(BackupFolder());
}

// The UTF-16 text with its byte-order mark, as Registry Editor writes its files.
std::string FileBytes(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

}  // namespace

std::wstring NewBackupPath(const ProgramEntry& entry) {
  const std::wstring name = BackupFolder() + L"\\" + WideFrom(BackupFileName(Title(entry), TimeStamp()));
  std::wstring path = name;
  for (int copy = 2; Exists(path); ++copy)
    path = name.substr(0, name.size() - 4) + L" (" + std::to_wstring(copy) + L").reg";
  return path;
}

std::u16string BackupKeyPath(const ProgramEntry& entry) {
  const bool machine = entry.Root == HKEY_LOCAL_MACHINE;
  const std::string parent = machine && entry.View == KEY_WOW64_32KEY ? Wow64UninstallKeyPath : UninstallKeyPath;
  const std::wstring path =
      WideFrom((machine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\") + parent + entry.KeyName);
  return std::u16string(path.begin(), path.end());
}

DWORD BackUpRegistration(const ProgramEntry& entry, const std::wstring& path, RegKeyTree& tree) {
  DWORD error = ReadKeyTree(entry.Root, WideFrom(UninstallKeyPath), WideFrom(entry.KeyName), entry.View, tree);
  if (error == ERROR_SUCCESS) error = MakeBackupFolder();
  return error != ERROR_SUCCESS ? error : ReplaceFileContent(path, FileBytes(RegFileText(BackupKeyPath(entry), tree)));
}

DWORD RestoreRegistration(const ProgramEntry& entry, const RegKeyTree& tree) {
  return WriteKeyTree(entry.Root, WideFrom(UninstallKeyPath), tree, entry.View);
}
