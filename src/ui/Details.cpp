#include "ui/Details.h"

#include <utility>

#include "inventory/Dates.h"
#include "inventory/EntryStatus.h"
#include "inventory/Formatting.h"
#include "ui/MenuState.h"
#include "ui/ResourceIds.h"
#include "ui/Settings.h"
#include "ui/WindowObjects.h"

const char* const SizeLabelText = "Estimated size:";
const char* const LastUsedLabelText = "Last used on:";
const char* const UsedLabelText = "Used:";
const char* const PublisherLabelText = "Publisher:";
const char* const VersionLabelText = "Version:";
const char* const StatusLabelText = "Status:";

namespace {

HICON BlankIcon() { return LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_BLANK)); }

// The entry that the pane shows, and the DPI of its icon. Every scan clears the pane first: an
// entry of the new scan at the same address is not taken for the one shown.
const ProgramEntry* ShownEntry = nullptr;
UINT ShownDpi = 0;

// Shows icon in the pane and destroys the one it replaces, unless that is the shared blank icon.
// The old icon is taken off first: a static control may refuse the new one (Wine's refuses
// monochrome icons such as the blank icon), and the previous program's icon must not stay.
void ShowDetailsIcon(HICON icon) {
  HICON replaced = DetailsIcon.SetIcon(nullptr);
  if (replaced && replaced != BlankIcon()) DestroyIcon(replaced);
  DetailsIcon.SetIcon(icon);
}

// Sets the text unless the control shows it already: each change repaints the control.
void SetChangedText(CWindow& control, const std::string& text) {
  if (control.GetText() != text) control.SetText(text);
}

// Sets a fact's value, and its label only when the value is present.
void SetFact(CStatic& label, const char* labelText, CEdit& value, const std::string& text) {
  SetChangedText(label, text.empty() ? "" : labelText);
  SetChangedText(value, text);
}

}  // namespace

void FillDetails() {
  const ProgramEntry* entry = GetSelectedEntry();
  if (!entry) return;
  const bool another =
      entry != std::exchange(ShownEntry, entry) || ProgramList.Dpi != std::exchange(ShownDpi, ProgramList.Dpi);
  if (another) ShowDetailsIcon(ProgramList.GetSelectedItemIcon(false));
  SetChangedText(DetailsTitle, Title(*entry));
  SetFact(SizeLabel, SizeLabelText, SizeValue, FormatSize(BestKnownSize(*entry)));
  SetFact(LastUsedLabel, LastUsedLabelText, LastUsedValue, FormatDate(LastUsedDay(*entry)));
  const bool counted = entry->HasUsageData && entry->UseCount != -1;
  SetFact(UsedLabel, UsedLabelText, UsedValue, counted ? FormatUseCount(static_cast<uint32_t>(entry->UseCount)) : "");
  SetFact(PublisherLabel, PublisherLabelText, PublisherValue, entry->Publisher);
  SetFact(VersionLabel, VersionLabelText, VersionValue, entry->DisplayVersion);
  // Finding the status may ask the file system and load the installer's library: not before the
  // window has painted. Another entry's status is not shown meanwhile.
  if (another) SetFact(StatusLabel, StatusLabelText, StatusValue, "");
  SetTimer(MainWindow.GetHandle(), DetailsStatusTimer, 0, nullptr);
}

void FillDetailsStatus() {
  KillTimer(MainWindow.GetHandle(), DetailsStatusTimer);
  if (const ProgramEntry* entry = GetSelectedEntry())
    SetFact(StatusLabel, StatusLabelText, StatusValue, StatusText(StatusOf(*entry)));
}

void ClearDetails() {
  ShowDetailsIcon(BlankIcon());
  ShownEntry = nullptr;
  for (CWindow* control : std::initializer_list<CWindow*>{
           &DetailsTitle, &SizeLabel, &SizeValue, &LastUsedLabel, &LastUsedValue, &UsedLabel, &UsedValue,
           &PublisherValue, &PublisherLabel, &VersionValue, &VersionLabel, &StatusValue, &StatusLabel})
    SetChangedText(*control, "");
}

void OnSelectionChanged(NMLISTVIEW* notification) {
  if (notification->uNewState & LVIS_FOCUSED)
    FillDetails();
  else
    ClearDetails();
  UpdateProgramMenu(MainWindow.GetMenu(), IDR_PROGRAM_MENU);
}
