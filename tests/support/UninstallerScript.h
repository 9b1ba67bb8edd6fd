#pragma once
// The helper program ScriptedUninstaller.exe (built from tests/helpers next to the test
// programs) and a fresh file in %TEMP% where it records the command lines it was started with.
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

  // A command line that starts the helper, which records it and then carries out words.
  std::string CommandLine(const std::string& words = "") const;
  // The recorded command lines, in the order the helpers wrote them.
  std::vector<std::string> Launches() const;

 private:
  std::string RecordFile;
};

// The helper words that delete the registration keyName under root of the sandbox.
std::string DeleteRegistrationWords(const RegistrySandbox& sandbox, HKEY root, const std::string& keyName);
