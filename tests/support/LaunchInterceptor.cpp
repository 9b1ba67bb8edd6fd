#include "support/LaunchInterceptor.h"

#include <gtest/gtest.h>

namespace {

LaunchInterceptor* Active = nullptr;

}  // namespace

LaunchInterceptor::LaunchInterceptor(std::string standIn)
    : StandIn(std::move(standIn)), Hook("KERNEL32.dll", "CreateProcessA", reinterpret_cast<void*>(&Intercept)) {
  Active = this;
  EXPECT_TRUE(Hook.Installed()) << "this executable does not import CreateProcessA";
}

LaunchInterceptor::~LaunchInterceptor() { Active = nullptr; }

BOOL WINAPI LaunchInterceptor::Intercept(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                         DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA startupInfo,
                                         LPPROCESS_INFORMATION processInformation) {
  Active->CommandLines.push_back(commandLine ? commandLine : "");
  if (Active->StandIn.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::string standIn = Active->StandIn;
  using CreateProcessFunction = BOOL(WINAPI*)(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                                              LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION);
  return Active->Hook.Original<CreateProcessFunction>()(nullptr, &standIn[0], nullptr, nullptr, FALSE, 0, nullptr,
                                                        nullptr, startupInfo, processInformation);
}
