#pragma once
// Stands in for shell32's ExtractIconExA in this executable for the lifetime of the object:
// records every call and, depending on the mode, hands out no icons, the system's icons, or only
// the large one. Keeps every handle it handed out, so that tests can check who destroys them.
#include <windows.h>

#include <string>
#include <vector>

#include "support/ApiHook.h"

struct IconExtraction {
  std::string Path;
  int Index = 0;
  bool operator==(const IconExtraction& other) const { return Path == other.Path && Index == other.Index; }
};

class IconExtractionSpy {
 public:
  enum Mode { NoIcons, SystemIcons, LargeIconOnly };

  explicit IconExtractionSpy(Mode mode);
  ~IconExtractionSpy();
  IconExtractionSpy(const IconExtractionSpy&) = delete;
  IconExtractionSpy& operator=(const IconExtractionSpy&) = delete;

  const std::vector<IconExtraction>& Calls() const { return Extractions; }
  const std::vector<HICON>& HandedOut() const { return Icons; }
  void Clear();

 private:
  static UINT WINAPI StandIn(LPCSTR path, int index, HICON* large, HICON* small, UINT count);

  Mode Behaviour;
  ApiHook Hook;
  std::vector<IconExtraction> Extractions;
  std::vector<HICON> Icons;
};

// True while the handle still names an icon (GetIconInfo succeeds).
bool IconExists(HICON icon);
