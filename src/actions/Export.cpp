#include "actions/Export.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstring>
#include <vector>

#include "actions/ExportColumns.h"
#include "actions/FileWriting.h"
#include "inventory/Dates.h"
#include "inventory/EntryValues.h"
#include "inventory/WideText.h"
#include "ui/Messages.h"
#include "ui/Scan.h"
#include "ui/WindowObjects.h"

namespace {

const wchar_t* const FileTypes = L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
// Spreadsheet programs take a CSV file for UTF-8 by this mark at its start.
const char* const Utf8ByteOrderMark = "\xEF\xBB\xBF";
const DWORD FileNameRoom = 1024;

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

std::wstring DefaultFileName() {
  wchar_t machine[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(machine, &length)) machine[0] = L'\0';
  SYSTEMTIME today;
  GetLocalTime(&today);
  FILETIME time = {0, 0};
  SystemTimeToFileTime(&today, &time);
  return WideFrom(
      DefaultExportName(NarrowFrom(machine, CP_UTF8), IsoDate(DayOfTime(time.dwLowDateTime, time.dwHighDateTime))),
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
  const std::string csv = Utf8ByteOrderMark + NarrowFrom(WideFrom(TableText(ListedEntries(), ','), CP_ACP), CP_UTF8);
  const DWORD error = ReplaceFileContent(path, csv);
  if (error != ERROR_SUCCESS) ShowFailure(L"Couldn't export the list to \"" + path + L"\"", error);
  return error == ERROR_SUCCESS;
}

void CopyRow(const ProgramEntry& entry) {
  const DWORD error = PutOnClipboard(WideFrom(TableText({&entry}, '\t'), CP_ACP));
  if (error != ERROR_SUCCESS) ShowFailure(L"Couldn't copy the program's row to the clipboard", error);
}
