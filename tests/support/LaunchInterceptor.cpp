#include "support/LaunchInterceptor.h"

#include <gtest/gtest.h>

namespace {

LaunchInterceptor* Active = nullptr;

using CreateProcessFunction = BOOL(WINAPI*)(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                            DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION);
CreateProcessFunction RealCreateProcess = nullptr;

bool IsWritable(LPSTR text) {
  MEMORY_BASIC_INFORMATION memory = {};
  if (!text || !VirtualQuery(text, &memory, sizeof memory)) return false;
  const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return (memory.Protect & writable) != 0;
}

}  // namespace

LaunchInterceptor::LaunchInterceptor(Substitution substitute) : Substitute(std::move(substitute)) {
  Active = this;
  Hook = std::make_unique<ApiHook>("KERNEL32.dll", "CreateProcessA", reinterpret_cast<void*>(&StandIn));
  EXPECT_TRUE(Hook->Installed()) << "this executable does not import CreateProcessA";
  RealCreateProcess = Hook->Original<CreateProcessFunction>();
}

LaunchInterceptor::~LaunchInterceptor() {
  Hook.reset();
  Active = nullptr;
}

std::vector<std::string> LaunchInterceptor::CommandLines() const {
  std::vector<std::string> lines;
  for (const auto& launch : Launches) lines.push_back(launch.CommandLine);
  return lines;
}

BOOL WINAPI LaunchInterceptor::StandIn(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                                       LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                       DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                                       LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation) {
  InterceptedLaunch launch;
  launch.HasApplicationName = application != nullptr;
  launch.CommandLine = commandLine ? commandLine : "";
  launch.CommandLineIsWritable = IsWritable(commandLine);
  launch.HasSecurityAttributes = processAttributes || threadAttributes;
  launch.InheritHandles = inheritHandles;
  launch.CreationFlags = creationFlags;
  launch.HasEnvironment = environment != nullptr;
  launch.HasCurrentDirectory = currentDirectory != nullptr;
  if (startupInfo) launch.StartupInfo = *startupInfo;
  Active->Launches.push_back(launch);

  std::string substitute = Active->Substitute(launch.CommandLine);
  if (substitute.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  return RealCreateProcess(nullptr, &substitute[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, startupInfo,
                           processInformation);
}
