#include "actions/FileWriting.h"

namespace {

std::wstring FolderOf(const std::wstring& path) {
  const size_t separator = path.find_last_of(L"\\/:");
  return separator == std::wstring::npos ? L"." : path.substr(0, separator + 1);
}

// Writes bytes to the existing file at path and flushes them; the error, or ERROR_SUCCESS.
DWORD WriteAndFlush(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD written = 0, error = ERROR_SUCCESS;
  if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    error = GetLastError();
  else if (written != bytes.size())
    error = ERROR_DISK_FULL;
  else if (!FlushFileBuffers(file))
    error = GetLastError();
  if (!CloseHandle(file) && error == ERROR_SUCCESS) error = GetLastError();
  return error;
}

}  // namespace

DWORD ReplaceFileContent(const std::wstring& path, const std::string& bytes) {
  wchar_t temporary[MAX_PATH];
  if (!GetTempFileNameW(FolderOf(path).c_str(), L"qlm", 0, temporary)) return GetLastError();
  DWORD error = WriteAndFlush(temporary, bytes);
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error != ERROR_SUCCESS) DeleteFileW(temporary);
  return error;
}
