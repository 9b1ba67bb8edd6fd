#pragma once
// Intercepts this executable's CreateProcessA while the object lives: records every call and
// runs, in place of the requested command line, the one that Substitute returns for it; an empty
// substitute makes the call fail with ERROR_FILE_NOT_FOUND. Keeps commands such as msiexec from
// really running.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/ApiHook.h"

struct InterceptedLaunch {
  bool HasApplicationName = false;
  std::string CommandLine;
  bool CommandLineIsWritable = false;
  bool HasSecurityAttributes = false;
  BOOL InheritHandles = FALSE;
  DWORD CreationFlags = 0;
  bool HasEnvironment = false;
  bool HasCurrentDirectory = false;
  STARTUPINFOA StartupInfo = {};
};

class LaunchInterceptor {
 public:
  using Substitution = std::function<std::string(const std::string& commandLine)>;

  explicit LaunchInterceptor(Substitution substitute);
  ~LaunchInterceptor();
  LaunchInterceptor(const LaunchInterceptor&) = delete;
  LaunchInterceptor& operator=(const LaunchInterceptor&) = delete;

  std::vector<std::string> CommandLines() const;

  std::vector<InterceptedLaunch> Launches;

 private:
  static BOOL WINAPI StandIn(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                             LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                             LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                             LPPROCESS_INFORMATION processInformation);

  Substitution Substitute;
  std::unique_ptr<ApiHook> Hook;
};
