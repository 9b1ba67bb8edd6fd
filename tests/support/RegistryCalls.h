#pragma once
// Counts the registry calls that this executable makes while the object lives, and records the
// paths it opens.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/ApiHook.h"

class RegistryCalls {
 public:
  RegistryCalls();
  ~RegistryCalls();
  RegistryCalls(const RegistryCalls&) = delete;
  RegistryCalls& operator=(const RegistryCalls&) = delete;

  int Total() const { return Opens + Queries + ValueEnumerations + KeyEnumerations + Closes + Deletions; }
  // How often path was opened, under any root.
  int OpensOf(const std::string& path) const;

  int Opens = 0;
  int Queries = 0;
  int ValueEnumerations = 0;
  int KeyEnumerations = 0;
  int Closes = 0;
  int Deletions = 0;
  std::vector<std::string> OpenedPaths;

 private:
  std::vector<std::unique_ptr<ApiHook>> Hooks;
};
