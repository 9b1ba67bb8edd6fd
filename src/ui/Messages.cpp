#include "ui/Messages.h"

#include "ui/WindowObjects.h"

const char* const AppTitle = "Quillmere";

int ShowError(std::string text) { return MessageBoxA(MainWindow.GetHandle(), text.c_str(), AppTitle, MB_ICONERROR); }

std::string SystemReason(unsigned long error) {
  char* buffer = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD length = FormatMessageA(flags, nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length ? std::string(buffer, length) : "Error " + std::to_string(error);
  LocalFree(buffer);
  return text.erase(text.find_last_not_of("\r\n ") + 1);
}

const ProgramEntry* SelectedEntryOrTell() {
  const ProgramEntry* entry = GetSelectedEntry();
  if (!entry) MessageBoxA(MainWindow.GetHandle(), "Please select a program", AppTitle, MB_ICONINFORMATION);
  return entry;
}
