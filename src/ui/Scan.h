#pragma once
// Scans: the registry read again into the inventory, the list, the details pane, the menu
// states and the status bar. A scan never runs inside another scan (from the modal loop of an
// error box) or during an action: one requested then is deferred until that has ended, and the
// requests made meanwhile run as one scan.
#include <cstdint>

#include "inventory/ProgramEntry.h"

// Starts reading the registry for the first scan on a thread of its own, with the search box
// empty, while the window is being built. The next scan takes what it read when it asks for the
// same; else it is dropped.
void StartFirstScan();

// Scans now, or, while a scan or an action runs, once it has ended.
void RequestScan();

// Reads the values of wanted (EntryValue bits) that the entry, or every entry of the inventory,
// does not hold yet. A scan asked for meanwhile, from the loop of an error box, runs once the
// message being handled is done: no scan replaces the entries while the reader holds them.
void FetchValues(ProgramEntry& entry, uint32_t wanted);
void FetchInventoryValues(uint32_t wanted);

// An action (uninstall, repair, removal) from its first question to its end. Its message boxes
// and its wait for a child process dispatch messages, so timers and commands still arrive
// meanwhile: no other action starts then, and scans requested meanwhile are deferred to the end
// of the action, so that the entry the action works on stays in place.
class CActionScope {
 public:
  CActionScope();
  // Ends the action, then runs the scan deferred during it, if any.
  ~CActionScope();
  CActionScope(const CActionScope&) = delete;
  CActionScope& operator=(const CActionScope&) = delete;

  // False when another action was already running: this one must not start.
  bool Started() const { return Owner; }
  // Defers a scan to the end of the action.
  void ScanAtEnd();

 private:
  bool Owner;
};
