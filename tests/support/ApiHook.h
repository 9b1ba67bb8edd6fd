#pragma once
// Replaces a function that this executable imports from a system DLL, for the lifetime of the
// object: the executable's import table entry is pointed at a stand-in. Calls made inside the
// system DLLs themselves are not affected.
#include <windows.h>

class ApiHook {
 public:
  // dll as in the import table ("ADVAPI32.dll", matched without case), function by name.
  ApiHook(const char* dll, const char* function, void* standIn);
  ~ApiHook();
  ApiHook(const ApiHook&) = delete;
  ApiHook& operator=(const ApiHook&) = delete;

  // The function the import table held before: call it to reach the system's implementation.
  template <typename Function>
  Function Original() const {
    return reinterpret_cast<Function>(Previous);
  }
  bool Installed() const { return Slot != nullptr; }

 private:
  void** Slot = nullptr;
  void* Previous = nullptr;
};
