#pragma once
// The helper program ScriptedUninstaller.exe (built from tests/helpers next to the test
// programs), a fresh file in %TEMP% where it records the command lines it was started with, and
// the named events that it can wait for.
#include <windows.h>

#include <string>
#include <vector>

#include "support/RegistrySandbox.h"

class UninstallerScript {
 public:
  UninstallerScript();   // an empty record file
  ~UninstallerScript();  // deletes it
  UninstallerScript(const UninstallerScript&) = delete;
  UninstallerScript& operator=(const UninstallerScript&) = delete;

  // The helper's full path: the directory of the running test executable.
  static std::string ExecutablePath();

  // A command line that starts the helper, which records it and then carries out words.
  std::string CommandLine(const std::string& words = "") const;
  // The words that make the helper record its command line (again) at that point.
  std::string RecordWords() const;

  // The recorded command lines, in the order the helpers wrote them.
  std::vector<std::string> Launches() const;
  // The process ids of the copies started with --spawn-copy.
  std::vector<DWORD> Copies() const;

 private:
  std::vector<std::string> Lines() const;

  std::string RecordFile;
};

// The helper words that delete the registration keyName under root of the sandbox.
std::string DeleteRegistrationWords(const RegistrySandbox& sandbox, HKEY root, const std::string& keyName);

// A named manual-reset event, not set, that helpers started with --wait-event NAME wait for.
class NamedEvent {
 public:
  NamedEvent();
  ~NamedEvent();
  NamedEvent(const NamedEvent&) = delete;
  NamedEvent& operator=(const NamedEvent&) = delete;

  const std::string& Name() const { return EventName; }
  void Set() { SetEvent(Handle); }

 private:
  std::string EventName;
  HANDLE Handle = nullptr;
};
