#pragma once
// Stand-ins, while a hook lives, for functions that this executable imports (not for the DLLs' own calls).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

class ApiHook {
 public:
  // dll as the import table names it ("ADVAPI32.dll", matched without case), function by name.
  ApiHook(const char* dll, const char* function, void* standIn);
  template <typename Function>
  ApiHook(const char* dll, const char* function, Function* standIn)
      : ApiHook(dll, function, reinterpret_cast<void*>(standIn)) {}
  ApiHook(const ApiHook&) = delete;  // it knows itself by its address
  ~ApiHook();
  // What the import table held before the newest live hook of standIn: the system's own function.
  template <typename Function>
  static Function* Original(Function* standIn) {
    return reinterpret_cast<Function*>(PreviousOf(reinterpret_cast<void*>(standIn)));
  }

 private:
  static void* PreviousOf(void* standIn);
  void** Slot = nullptr;
  void* Previous = nullptr;
  void* StandIn = nullptr;
};

// Counts the registry calls that this executable makes, and the paths it opens, on any thread.
struct RegistryCalls {
  RegistryCalls();
  ~RegistryCalls();
  // Opens tried of path, under any root.
  int OpensOf(const std::string& path) const { return std::count(OpenedPaths.begin(), OpenedPaths.end(), path); }
  std::atomic<int> Calls{0}, Opens{0}, Closes{0};  // Opens that succeeded
  std::vector<std::string> OpenedPaths;            // guarded by PathsLock
  std::mutex PathsLock;
  std::deque<ApiHook> Hooks;
};
