#pragma once
// TEMPORARY profiling marks (not to be committed).
#include <windows.h>
#include <cstdio>
#include <psapi.h>
#include <string>
inline double ProfileNowMs() {
  FILETIME created, e, k, u, now;
  GetProcessTimes(GetCurrentProcess(), &created, &e, &k, &u);
  GetSystemTimeAsFileTime(&now);
  auto t = [](FILETIME f) { return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
  return static_cast<double>(t(now) - t(created)) / 1e4;
}
inline void ProfileMark(const char* what, double extra = -1) {
  if (GetEnvironmentVariableA("QUILLMERE_TRACE_MARKS", nullptr, 0)) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (std::string("QuillmereProfileMark\\") + what).c_str(), 0, KEY_READ, &key) == 0) RegCloseKey(key);
  }
  static FILE* out = nullptr;
  if (!out) {
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("QUILLMERE_PROFILE", path, MAX_PATH)) return;
    out = fopen(path, "a");
  }
  PROCESS_MEMORY_COUNTERS c = {}; c.cb = sizeof c; GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
  fprintf(out, "%-28s %8.1f %8.1f ws %.1f peak %.1f\n", what, ProfileNowMs(), extra, c.WorkingSetSize / 1048576.0, c.PeakWorkingSetSize / 1048576.0);
  fflush(out);
}
