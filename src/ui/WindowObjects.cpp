#include "ui/WindowObjects.h"

CApplicationWindow MainWindow;
CStatic DetailsPanel;
CStatic DetailsIcon;
CEdit DetailsTitle;
CStatic DetailsSeparator;
CStatic SizeLabel;
CEdit SizeValue;
CStatic LastUsedLabel;
CEdit LastUsedValue;
CStatic UsedLabel;
CEdit UsedValue;
CStatic PublisherLabel;
CEdit PublisherValue;
CStatic VersionLabel;
CEdit VersionValue;
CStatic StatusLabel;
CEdit StatusValue;
CStatic SearchLabel;
CEdit SearchEdit;
CButton RepairButton;
CButton RemoveButton;
CButton ButtonAnchor;
CStatusBar StatusBar;
CListView ProgramList;

ProgramEntry* GetSelectedEntry() {
  if (ProgramList.GetSelectedCount() != 1) return nullptr;
  return reinterpret_cast<ProgramEntry*>(ProgramList.GetSelectedItemParam());
}
