#include "actions/Export.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstring>
#include <vector>

#include "actions/ExportColumns.h"
#include "inventory/Dates.h"
#include "inventory/EntryValues.h"
#include "ui/Messages.h"
#include "ui/Scan.h"
#include "ui/WindowObjects.h"

namespace {

const wchar_t* const FileTypes = L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
// Spreadsheet programs take a CSV file for UTF-8 by this mark at its start.
const char* const Utf8ByteOrderMark = "\xEF\xBB\xBF";
const DWORD FileNameRoom = 1024;

std::wstring WideFrom(const std::string& text, UINT codePage) {
  if (text.empty()) return L"";
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Utf8From(const std::wstring& text) {
  if (text.empty()) return "";
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], length, nullptr, nullptr);
  return utf8;
}

void ShowFailure(const std::wstring& what, DWORD error) {
  MessageBoxW(MainWindow.GetHandle(), (what + L":\n\n" + WideFrom(SystemReason(error), CP_ACP)).c_str(),
              WideFrom(AppTitle, CP_ACP).c_str(), MB_ICONERROR);
}

// The entries of the list's items, in the order that the list shows them.
std::vector<const ProgramEntry*> ListedEntries() {
  std::vector<const ProgramEntry*> entries;
  const int count = ListView_GetItemCount(ProgramList.GetHandle());
  for (int item = 0; item < count; ++item)
    if (const LPARAM entry = ProgramList.GetItemParam(item)) entries.push_back(reinterpret_cast<ProgramEntry*>(entry));
  return entries;
}

// The table of the entries under a header line, in the ANSI code page that the entries use.
std::string TableText(const std::vector<const ProgramEntry*>& entries, char separator) {
  std::vector<TableRow> rows{ExportHeader()};
  for (const ProgramEntry* entry : entries) rows.push_back(ExportRow(*entry));
  return SeparatedText(rows, separator);
}

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

// Writes bytes to a temporary file beside path and then moves it to path, so that path holds
// either its earlier content or all of bytes; the error, or ERROR_SUCCESS.
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

std::wstring DefaultFileName() {
  wchar_t machine[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(machine, &length)) machine[0] = L'\0';
  SYSTEMTIME today;
  GetLocalTime(&today);
  FILETIME time = {0, 0};
  SystemTimeToFileTime(&today, &time);
  return WideFrom(DefaultExportName(Utf8From(machine), IsoDate(DayOfTime(time.dwLowDateTime, time.dwHighDateTime))),
                  CP_UTF8);
}

// The common dialogs' library is loaded for the first export: the program starts without it.
using SaveDialogFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
SaveDialogFunction SaveDialog() {
  static const SaveDialogFunction function = reinterpret_cast<SaveDialogFunction>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("comdlg32.dll"), "GetSaveFileNameW")));
  return function;
}

// The file that the user chooses in the Save dialog, or an empty path when the dialog is cancelled.
std::wstring ChooseExportFile() {
  std::wstring name = DefaultFileName();
  name.resize(FileNameRoom, L'\0');
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = MainWindow.GetHandle();
  dialog.lpstrFilter = FileTypes;
  dialog.lpstrFile = &name[0];
  dialog.nMaxFile = FileNameRoom;
  dialog.lpstrDefExt = L"csv";
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  const SaveDialogFunction saveDialog = SaveDialog();
  if (!saveDialog || !saveDialog(&dialog)) return L"";
  return name.c_str();
}

// A movable memory block holding text with its terminating NUL, or null.
HGLOBAL GlobalCopy(const std::wstring& text) {
  const size_t size = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return nullptr;
  void* bytes = GlobalLock(memory);
  if (!bytes) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(bytes, text.c_str(), size);
  GlobalUnlock(memory);
  return memory;
}

// The clipboard owns the memory once SetClipboardData has taken it; until then it is ours.
DWORD PutOnClipboard(const std::wstring& text) {
  HGLOBAL memory = GlobalCopy(text);
  if (!memory) return ERROR_NOT_ENOUGH_MEMORY;
  DWORD error = ERROR_SUCCESS;
  if (!OpenClipboard(MainWindow.GetHandle())) {
    error = GetLastError();
  } else {
    if (!EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory)) error = GetLastError();
    CloseClipboard();
  }
  if (error != ERROR_SUCCESS) GlobalFree(memory);
  return error;
}

}  // namespace

void ExportList() {
  const std::wstring path = ChooseExportFile();
  if (!path.empty()) ExportListTo(path);
}

bool ExportListTo(const std::wstring& path) {
  FetchInventoryValues(AllValueBits);
  const std::string csv = Utf8ByteOrderMark + Utf8From(WideFrom(TableText(ListedEntries(), ','), CP_ACP));
  const DWORD error = ReplaceFileContent(path, csv);
  if (error != ERROR_SUCCESS) ShowFailure(L"Couldn't export the list to \"" + path + L"\"", error);
  return error == ERROR_SUCCESS;
}

void CopyRow(const ProgramEntry& entry) {
  const DWORD error = PutOnClipboard(WideFrom(TableText({&entry}, '\t'), CP_ACP));
  if (error != ERROR_SUCCESS) ShowFailure(L"Couldn't copy the program's row to the clipboard", error);
}
