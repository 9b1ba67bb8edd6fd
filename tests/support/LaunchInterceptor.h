#pragma once
// Intercepts this executable's CreateProcessA while the object lives: records the command line
// of every call and starts StandIn in its place, or fails with ERROR_FILE_NOT_FOUND when StandIn
// is empty. Keeps commands such as msiexec from really running.
#include <windows.h>

#include <string>
#include <vector>

#include "support/ApiHook.h"

class LaunchInterceptor {
 public:
  explicit LaunchInterceptor(std::string standIn = "");
  ~LaunchInterceptor();
  LaunchInterceptor(const LaunchInterceptor&) = delete;
  LaunchInterceptor& operator=(const LaunchInterceptor&) = delete;

  std::vector<std::string> CommandLines;

 private:
  static BOOL WINAPI Intercept(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                               LPVOID, LPCSTR, LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation);

  std::string StandIn;
  ApiHook Hook;
};
