// Measures how fast Quillmere scans, lists, searches and sorts N synthetic registrations, how
// many registry calls it makes, its memory, and whether handles grow across rescans.
//
//   quillmere_bench [--rescans R] [--repeats K] N...   measure (redirected registry roots)
//   quillmere_bench --seed N | --unseed N              write or delete N registrations in the
//                                                      real roots (Wine only), for other tools
//   quillmere_bench --list                             print what a scan of the real roots lists
//
// Every figure names the build that it measures (32-bit or 64-bit).
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchRegistry.h"
#include "app/MainWindow.h"
#include "inventory/InventoryScan.h"
#include "listview/ListColumns.h"
#include "listview/Population.h"
#include "listview/Sorting.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/RegistrySandbox.h"
#include "ui/Scan.h"
#include "ui/Settings.h"
#include "ui/WindowObjects.h"

namespace {

const char* const Build = sizeof(void*) == 8 ? "64-bit" : "32-bit";

struct Options {
  int Rescans = 100;
  int Repeats = 5;
  std::vector<int> Counts;
};

struct HandleCounts {
  unsigned long Gdi = 0;
  unsigned long User = 0;
};

struct Result {
  int Count = 0;
  int Listed = 0;
  double ColdRegistryMs = 0;
  double RegistryMs = 0;
  double FirstScanMs = 0;
  double ScanMs = 0;
  double SearchMs = 0;
  int SearchListed = 0;
  std::vector<double> SortMs;
  double ColdCallsPerRegistration = 0;
  double CallsPerRegistration = 0;
  double PeakWorkingSetMb = 0;
  HandleCounts AfterOne;
  HandleCounts AfterMany;
};

template <typename Action>
double MedianMs(int repeats, Action action) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    const double start = NowMs();
    action();
    times.push_back(NowMs() - start);
    PumpMessages();
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

// GetGuiResources counts GDI and USER objects on Windows; Wine answers 0, so there the index of
// a newly allocated handle stands in: handles are reused from a free list, so the index grows
// only when objects leak.
HandleCounts CurrentHandles() {
  HandleCounts counts = {GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                         GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
  if (counts.Gdi == 0 && counts.User == 0) {
    HBRUSH brush = CreateSolidBrush(0);
    BYTE andMask[128], xorMask[128];
    memset(andMask, 0xFF, sizeof andMask);
    memset(xorMask, 0, sizeof xorMask);
    HICON icon = CreateIcon(nullptr, 32, 32, 1, 1, andMask, xorMask);
    counts.Gdi = LOWORD(reinterpret_cast<ULONG_PTR>(brush));
    counts.User = LOWORD(reinterpret_cast<ULONG_PTR>(icon));
    DeleteObject(brush);
    DestroyIcon(icon);
  }
  return counts;
}

double PeakWorkingSetMb() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

void EnsureMainWindow() {
  if (MainWindow.GetHandle()) return;
  AppInstance = GetModuleHandleA(nullptr);
  ApplyDefaultSettings();
  BuildMainWindow(AppInstance);
  PumpMessages();
}

void SetSearchText(const std::string& text) {
  SearchEdit.SetText(text);
  KillTimer(MainWindow.GetHandle(), 0);
}

std::vector<double> MeasureSorts(int repeats) {
  AppSettings.ShowFrequencyColumn = AppSettings.ShowLastUsedColumn = 1;
  PopulateList(ProgramList, AppSettings, MainWindow.GetIcon(), true);
  std::vector<double> times;
  ListSettings order = AppSettings;
  for (int column = 0; column < 5; ++column) {
    order.SortColumn = static_cast<ListColumn>(column);
    times.push_back(MedianMs(repeats, [&order] { SortList(ProgramList, order); }));
  }
  AppSettings.ShowFrequencyColumn = AppSettings.ShowLastUsedColumn = 0;
  return times;
}

Result Measure(int count, const Options& options) {
  RegistrySandbox registry;
  SeedRegistrations(count);
  // As on a real machine, the registrations are older than a scan: the scan trusts what it read
  // of a key only once the key has not been written for two seconds.
  Sleep(2500);
  Result result;
  result.Count = count;
  // The program's scans read what the list shows with the default settings.
  ApplyDefaultSettings();
  const uint32_t shown = ShownValues(AppSettings);
  {
    RegistryCalls calls;
    result.ColdRegistryMs =
        MedianMs(1, [&result, shown] { result.Listed = static_cast<int>(ScanInventory("", false, shown).size()); });
    result.ColdCallsPerRegistration = static_cast<double>(calls.Calls) / count;
  }
  {
    RegistryCalls calls;
    ScanInventory("", false, shown);
    result.CallsPerRegistration = static_cast<double>(calls.Calls) / count;
  }
  result.RegistryMs = MedianMs(options.Repeats, [shown] { ScanInventory("", false, shown); });

  EnsureMainWindow();
  SetSearchText("");
  result.FirstScanMs = MedianMs(1, RequestScan);
  result.AfterOne = CurrentHandles();
  result.ScanMs = MedianMs(options.Repeats, RequestScan);

  SetSearchText("tenth");
  result.SearchMs = MedianMs(options.Repeats, RequestScan);
  result.SearchListed = static_cast<int>(ProgramInventory.size());
  SetSearchText("");
  RequestScan();

  result.SortMs = MeasureSorts(options.Repeats);
  for (int i = 1 + options.Repeats; i < options.Rescans; ++i) {
    RequestScan();
    PumpMessages();
  }
  result.AfterMany = CurrentHandles();
  result.PeakWorkingSetMb = PeakWorkingSetMb();
  return result;
}

void PrintTable(const std::vector<Result>& results, const Options& options) {
  std::printf("\nQuillmere scan benchmark, %s build (median of %d runs; handles after 1 and after %d rescans)\n\n",
              Build, options.Repeats, options.Rescans);
  std::printf("%8s %7s %16s %12s %10s %12s %14s %12s %9s %12s %12s\n", "N", "listed", "registry ms", "1st scan ms",
              "rescan ms", "search ms", "sort ms (max)", "calls/N", "peak MB", "GDI 1->R", "USER 1->R");
  std::printf("%8s %7s %16s %12s %10s %12s %14s %12s\n", "", "", "(first, again)", "", "", "(listed)", "",
              "(first, again)");
  for (const Result& r : results) {
    char registry[32], search[32], calls[32], gdi[32], user[32];
    std::snprintf(registry, sizeof registry, "%.1f, %.1f", r.ColdRegistryMs, r.RegistryMs);
    std::snprintf(search, sizeof search, "%.1f (%d)", r.SearchMs, r.SearchListed);
    std::snprintf(calls, sizeof calls, "%.1f, %.1f", r.ColdCallsPerRegistration, r.CallsPerRegistration);
    std::snprintf(gdi, sizeof gdi, "%lu->%lu", r.AfterOne.Gdi, r.AfterMany.Gdi);
    std::snprintf(user, sizeof user, "%lu->%lu", r.AfterOne.User, r.AfterMany.User);
    std::printf("%8d %7d %16s %12.1f %10.1f %12s %14.2f %12s %9.1f %12s %12s\n", r.Count, r.Listed, registry,
                r.FirstScanMs, r.ScanMs, search, *std::max_element(r.SortMs.begin(), r.SortMs.end()), calls,
                r.PeakWorkingSetMb, gdi, user);
  }
  std::printf("\n");
  for (const Result& r : results) {
    std::printf(
        "BENCH build=%s n=%d listed=%d first_registry_ms=%.2f registry_ms=%.2f first_scan_ms=%.2f scan_ms=%.2f "
        "search_ms=%.2f search_listed=%d",
        Build, r.Count, r.Listed, r.ColdRegistryMs, r.RegistryMs, r.FirstScanMs, r.ScanMs, r.SearchMs, r.SearchListed);
    for (size_t column = 0; column < r.SortMs.size(); ++column)
      std::printf(" sort%zu_ms=%.3f", column, r.SortMs[column]);
    std::printf(
        " first_calls_per_registration=%.2f calls_per_registration=%.2f peak_working_set_mb=%.1f gdi_1=%lu gdi_%d=%lu "
        "user_1=%lu user_%d=%lu\n",
        r.ColdCallsPerRegistration, r.CallsPerRegistration, r.PeakWorkingSetMb, r.AfterOne.Gdi, options.Rescans,
        r.AfterMany.Gdi, r.AfterOne.User, options.Rescans, r.AfterMany.User);
  }
  std::fflush(stdout);
}

int SeedRealRoots(bool seed, int count) {
  if (!RunningUnderWine()) {
    std::fprintf(stderr, "--seed and --unseed write to the real registry: they run only under Wine\n");
    return 2;
  }
  seed ? SeedRegistrations(count) : RemoveRegistrations(count);
  return 0;
}

// One line per listed entry with every field, its registry view first: builds that list the
// same registry alike print the same lines.
int ListRealRoots() {
  for (const ProgramEntry& e : ScanInventory("", true)) {
    const char* view = e.View == KEY_WOW64_64KEY ? "64" : e.View == KEY_WOW64_32KEY ? "32" : "-";
    std::printf("%s %s %s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%d|%u|", view,
                e.Root == HKEY_CURRENT_USER ? "HKCU" : "HKLM", e.KeyName.c_str(), e.DisplayName.c_str(),
                e.QuietDisplayName.c_str(), e.UninstallString.c_str(), e.QuietUninstallString.c_str(),
                e.DisplayVersion.c_str(), e.Publisher.c_str(), e.URLInfoAbout.c_str(), e.URLUpdateInfo.c_str(),
                e.HelpLink.c_str(), e.HelpTelephone.c_str(), e.Contact.c_str(), e.Comments.c_str(), e.Readme.c_str(),
                e.DisplayIcon.c_str(), e.WindowsInstaller, e.EstimatedSize);
    if (e.HasUsageData)
      std::printf("%lld %d %08lx%08lx %s", static_cast<long long>(e.ProgramSize), e.UseCount,
                  e.LastUsedTime.dwHighDateTime, e.LastUsedTime.dwLowDateTime, e.ProgramPath.c_str());
    std::printf("\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if ((argument == "--seed" || argument == "--unseed") && i + 1 < argc)
      return SeedRealRoots(argument == "--seed", std::atoi(argv[++i]));
    if (argument == "--list") return ListRealRoots();
    if (argument == "--rescans" && i + 1 < argc)
      options.Rescans = std::atoi(argv[++i]);
    else if (argument == "--repeats" && i + 1 < argc)
      options.Repeats = std::atoi(argv[++i]);
    else
      options.Counts.push_back(std::atoi(argument.c_str()));
  }
  if (options.Counts.empty()) options.Counts = {100, 1000, 5000};

  std::vector<Result> results;
  for (int count : options.Counts) {
    results.push_back(Measure(count, options));
    std::fprintf(stderr, "measured N=%d\n", count);
  }
  PrintTable(results, options);
  return 0;
}
