#pragma once
// Counts the registry calls that this executable makes while the object lives, and the paths it opens.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/ApiHook.h"

class RegistryCalls {
 public:
  RegistryCalls();
  ~RegistryCalls();

  int Total() const { return Calls; }
  // Opens tried of path, under any root.
  int OpensOf(const std::string& path) const { return std::count(OpenedPaths.begin(), OpenedPaths.end(), path); }

  int Calls = 0;
  int Opens = 0;  // that succeeded
  int Closes = 0;
  std::vector<std::string> OpenedPaths;

 private:
  std::vector<std::unique_ptr<ApiHook>> Hooks;
};
