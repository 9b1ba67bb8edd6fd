#pragma once
// An action (uninstall, repair, removal) from its first question to its end. Its message boxes
// and its wait for a child process dispatch messages, so timers and commands still arrive
// meanwhile: no other action starts then, and a scan requested meanwhile waits for the end of
// the action, so that the entry the action works on stays in place.
class CActionScope {
 public:
  CActionScope();
  // Ends the action, then runs the scan requested during it, if any.
  ~CActionScope();
  CActionScope(const CActionScope&) = delete;
  CActionScope& operator=(const CActionScope&) = delete;

  // False when another action was already running: this one must not start.
  bool Started() const { return Owner; }

 private:
  bool Owner;
};

bool ActionInProgress();
