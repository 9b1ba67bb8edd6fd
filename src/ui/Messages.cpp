#include "ui/Messages.h"

#include "ui/WindowObjects.h"

const char* const AppTitle = "Quillmere";

int ShowError(std::string text) { return MessageBoxA(MainWindow.GetHandle(), text.c_str(), AppTitle, MB_ICONERROR); }

const ProgramEntry* SelectedEntryOrTell() {
  const ProgramEntry* entry = GetSelectedEntry();
  if (!entry) MessageBoxA(MainWindow.GetHandle(), "Please select a program", AppTitle, MB_ICONINFORMATION);
  return entry;
}
