#pragma once
// Replaces a function that this executable imports from a system DLL while the object lives: the
// import table entry points at a stand-in. Calls made inside the system DLLs are not affected.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class ApiHook {
 public:
  // dll as in the import table ("ADVAPI32.dll", matched without case), function by name.
  ApiHook(const char* dll, const char* function, void* standIn);
  ~ApiHook();

  // The function that the import table held before: the system's own.
  template <typename Function>
  Function Original() const {
    return reinterpret_cast<Function>(Previous);
  }

 private:
  void** Slot = nullptr;
  void* Previous = nullptr;
};

// Takes this executable's CreateProcessA while it lives: records each command line, runs OnLaunch,
// and starts this test program in its child mode (see TestMain.cpp) with childWords in the place of
// the command, or fails with ERROR_FILE_NOT_FOUND without childWords. Nothing launched really runs.
class LaunchInterceptor {
 public:
  explicit LaunchInterceptor(const std::string& childWords = "");
  ~LaunchInterceptor();

  std::vector<std::string> CommandLines;
  std::function<void()> OnLaunch;

 private:
  static BOOL WINAPI Launch(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                            LPVOID, LPCSTR, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process);
  std::string Child;
  ApiHook Hook;
};
