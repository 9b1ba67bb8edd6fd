// Times cold starts of Quillmere as a user meets them, from outside the program: a fresh process,
// from the moment it is created, until
//   (a) its window shows the complete list: the list holds a row for every listed registration,
//       each row with its name, size and company, and neither the main window nor the list has
//       anything left to paint;
//   (b) every row that the list shows has its icon drawn: the row's image is a program icon when
//       the row's icon location yields one (the default icon otherwise), and nothing is left to
//       paint;
// and the largest peak working set of those starts, read once the program has fallen idle. The
// peer's bare listing (`uninstaller --list`, its output discarded) is timed alike, from its
// creation to its end, in turn with the programs.
//
//   quillmere_coldstart --count N [--repeats K] [[--status-column] PROGRAM]...
//
// --status-column: the next program's starts show the "Status" column as soon as the window exists
// (the command of the header's menu, queued before the first scan ends), and (a) waits also for
// every row in view to show its status: the uninstallers of the bench registrations never exist,
// so every row has one. The same program may be named with it and without it.
//
// Run it on the registrations that `quillmere_bench --seed N` wrote into the prefix, with the
// build of the same bitness (the list's rows are read in the program's memory). Every program
// named is started K times (5 by default), in turn with the others and the peer, after one start
// of each that is not counted. The turn begins with another program each round, so that every
// program takes every place in it alike when K is a multiple of the number of programs.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "BenchRegistry.h"
#include "listview/IconLocation.h"
#include "ui/ResourceIds.h"

namespace {

const DWORD ReplyTimeoutMs = 60000;
const double GiveUpMs = 120000;

// What a row of the list must show: its company, and whether its image is a program icon.
struct ExpectedRow {
  std::string Company;
  bool HasIcon;
};

bool YieldsIcon(const std::string& location) {
  if (location.empty()) return false;
  const IconLocation parsed = ParseIconLocation(location);
  HICON large = nullptr, small = nullptr;
  const UINT extracted = ExtractIconExA(parsed.Path.c_str(), parsed.Index, &large, &small, 1);
  const bool both = extracted != 0 && extracted != UINT_MAX && large && small;
  if (extracted != 0 && extracted != UINT_MAX) {
    if (large) DestroyIcon(large);
    if (small) DestroyIcon(small);
  }
  return both;
}

// The listed rows of count bench registrations, by name.
std::map<std::string, ExpectedRow> ExpectedRows(int count) {
  std::map<std::string, bool> yields;
  std::map<std::string, ExpectedRow> rows;
  for (int i = 0; i < count; ++i) {
    const BenchRow row = BenchRowOf(i);
    if (!row.Listed) continue;
    auto found = yields.find(row.IconLocation);
    if (found == yields.end()) found = yields.emplace(row.IconLocation, YieldsIcon(row.IconLocation)).first;
    rows[row.Name] = {row.Company, found->second};
  }
  return rows;
}

// A started program's list, read across processes through a buffer in the program's memory.
struct Target {
  PROCESS_INFORMATION Process = {};
  HWND Main = nullptr;
  HWND List = nullptr;
  char* Remote = nullptr;  // an LVITEMA followed by room for its text
};

const size_t TextRoom = 1024;

bool Send(const Target& target, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  DWORD_PTR reply = 0;
  if (!SendMessageTimeoutA(target.List, message, wParam, lParam, SMTO_NORMAL, ReplyTimeoutMs, &reply)) return false;
  result = static_cast<LRESULT>(reply);
  return true;
}

int ItemCount(const Target& target) {
  LRESULT count = -1;
  return Send(target, LVM_GETITEMCOUNT, 0, 0, count) ? static_cast<int>(count) : -1;
}

std::string CellText(const Target& target, int item, int column) {
  LVITEMA cell = {};
  cell.iSubItem = column;
  cell.pszText = target.Remote + sizeof(LVITEMA);
  cell.cchTextMax = TextRoom;
  char text[TextRoom] = {};
  LRESULT length = 0;
  if (!WriteProcessMemory(target.Process.hProcess, target.Remote, &cell, sizeof cell, nullptr) ||
      !Send(target, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(target.Remote), length) ||
      !ReadProcessMemory(target.Process.hProcess, cell.pszText, text, TextRoom - 1, nullptr))
    return "";
  return text;
}

int ItemImage(const Target& target, int item) {
  LVITEMA read = {};
  read.mask = LVIF_IMAGE;
  read.iItem = item;
  LRESULT done = 0;
  if (!WriteProcessMemory(target.Process.hProcess, target.Remote, &read, sizeof read, nullptr) ||
      !Send(target, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(target.Remote), done) || !done ||
      !ReadProcessMemory(target.Process.hProcess, target.Remote, &read, sizeof read, nullptr))
    return -1;
  return read.iImage;
}

// The rows that the list shows now: from its top row, as many as fit its height.
std::vector<int> VisibleRows(const Target& target, int count) {
  LRESULT top = 0, perPage = 0;
  std::vector<int> rows;
  if (!Send(target, LVM_GETTOPINDEX, 0, 0, top) || !Send(target, LVM_GETCOUNTPERPAGE, 0, 0, perPage)) return rows;
  for (int row = static_cast<int>(top); row < count && row <= top + perPage; ++row) rows.push_back(row);
  return rows;
}

// Whether the row shows one of the expected rows, with its size and company; a row shows each
// name once.
bool RowShowsTexts(const Target& target, int row, const std::map<std::string, ExpectedRow>& expected,
                   std::string* name = nullptr) {
  const std::string shown = CellText(target, row, 0);
  const auto found = expected.find(shown);
  if (name) *name = shown;
  return found != expected.end() && !CellText(target, row, 1).empty() &&
         CellText(target, row, 2) == found->second.Company;
}

// The status column follows the three columns that a start shows.
const int StatusColumn = 3;

bool ShowsStatusColumn(const Target& target) {
  const HWND header = reinterpret_cast<HWND>(SendMessageA(target.List, LVM_GETHEADER, 0, 0));
  return SendMessageA(header, HDM_GETITEMCOUNT, 0, 0) == StatusColumn + 1;
}

bool RowShowsIcon(const Target& target, int row, const std::map<std::string, ExpectedRow>& expected) {
  const auto found = expected.find(CellText(target, row, 0));
  if (found == expected.end()) return false;
  const int image = ItemImage(target, row);
  return found->second.HasIcon ? image > 0 : image == 0;
}

bool Painted(const Target& target) {
  return IsWindowVisible(target.List) && !GetUpdateRect(target.Main, nullptr, FALSE) &&
         !GetUpdateRect(target.List, nullptr, FALSE);
}

bool AllRowsShowTexts(const Target& target, const std::map<std::string, ExpectedRow>& expected) {
  const int count = ItemCount(target);
  std::map<std::string, int> seen;
  for (int row = 0; row < count; ++row) {
    std::string name;
    if (!RowShowsTexts(target, row, expected, &name) || ++seen[name] > 1) {
      std::fprintf(stderr, "row %d does not show a listed registration with its texts: \"%s\"\n", row, name.c_str());
      return false;
    }
  }
  return count == static_cast<int>(expected.size());
}

struct FoundWindow {
  DWORD Process;
  HWND Window;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM found) {
  auto* wanted = reinterpret_cast<FoundWindow*>(found);
  DWORD process = 0;
  char className[64] = {};
  GetWindowThreadProcessId(window, &process);
  if (process != wanted->Process || !GetClassNameA(window, className, sizeof className) ||
      std::string(className) != "CApplicationWindow")
    return TRUE;
  wanted->Window = window;
  return FALSE;
}

bool Exited(const Target& target) { return WaitForSingleObject(target.Process.hProcess, 0) == WAIT_OBJECT_0; }

bool FindList(Target& target, double start) {
  while (NowMs() - start < GiveUpMs && !Exited(target)) {
    FoundWindow found = {target.Process.dwProcessId, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&found));
    target.Main = found.Window;
    if (target.Main) target.List = FindWindowExA(target.Main, nullptr, WC_LISTVIEWA, nullptr);
    if (target.List) return true;
    Sleep(1);
  }
  return false;
}

// Polls until done(), which reads the program's window, holds; the time from start to the end of
// that poll, or -1.
template <typename Condition>
double MsUntil(const Target& target, double start, Condition done) {
  while (NowMs() - start < GiveUpMs && !Exited(target)) {
    if (done()) return NowMs() - start;
    Sleep(1);
  }
  return -1;
}

// Waits until the program has used no processor time for a while: it has done what it does
// after its window is complete.
void WaitUntilIdle(const Target& target) {
  ULONGLONG last = ~0ull;
  for (int quiet = 0, polls = 0; quiet < 5 && polls < 200; ++polls) {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(target.Process.hProcess, &created, &exited, &kernel, &user);
    const ULONGLONG used = (ULONGLONG{kernel.dwHighDateTime} << 32 | kernel.dwLowDateTime) +
                           (ULONGLONG{user.dwHighDateTime} << 32 | user.dwLowDateTime);
    quiet = used == last ? quiet + 1 : 0;
    last = used;
    Sleep(100);
  }
}

double PeakWorkingSetMb(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return -1;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

void Close(Target& target) {
  if (target.Remote) VirtualFreeEx(target.Process.hProcess, target.Remote, 0, MEM_RELEASE);
  if (target.Main) PostMessageA(target.Main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(target.Process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(target.Process.hProcess, 1);
    WaitForSingleObject(target.Process.hProcess, 10000);
  }
  CloseHandle(target.Process.hThread);
  CloseHandle(target.Process.hProcess);
}

struct ColdStart {
  double ListMs = -1;
  double IconsMs = -1;
  double PeakMb = -1;
};

ColdStart StartProgram(const std::string& program, const std::map<std::string, ExpectedRow>& expected,
                       bool statusColumn) {
  ColdStart times;
  Target target;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + program + "\"";
  const double start = NowMs();
  if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &target.Process)) {
    std::fprintf(stderr, "%s does not start (error %lu)\n", program.c_str(), GetLastError());
    return times;
  }
  const int rows = static_cast<int>(expected.size());
  if (FindList(target, start)) {
    if (statusColumn) PostMessageA(target.Main, WM_COMMAND, IDM_COLUMN_STATUS, 0);
    target.Remote = static_cast<char*>(VirtualAllocEx(target.Process.hProcess, nullptr, sizeof(LVITEMA) + TextRoom,
                                                      MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    times.ListMs = MsUntil(target, start, [&] {
      if (ItemCount(target) != rows || (statusColumn && !ShowsStatusColumn(target)) || !Painted(target)) return false;
      for (int row : VisibleRows(target, rows))
        if (!RowShowsTexts(target, row, expected) || (statusColumn && CellText(target, row, StatusColumn).empty()))
          return false;
      return true;
    });
    times.IconsMs = MsUntil(target, start, [&] {
      for (int row : VisibleRows(target, rows))
        if (!RowShowsIcon(target, row, expected)) return false;
      return Painted(target);
    });
    if (times.IconsMs >= 0 && !AllRowsShowTexts(target, expected)) times.ListMs = times.IconsMs = -1;
    WaitUntilIdle(target);
    times.PeakMb = PeakWorkingSetMb(target.Process.hProcess);
  }
  Close(target);
  return times;
}

double StartPeer() {
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE discard = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = discard;
  PROCESS_INFORMATION process = {};
  std::string commandLine = "uninstaller.exe --list";
  const double start = NowMs();
  double ms = -1;
  if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    ms = NowMs() - start;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(discard);
  return ms;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

// The median over the rounds of a program's list time less the first program's in the same round
// ("+12", "-7"; "none" without a round in which both showed their list): both starts met the
// machine in the same state, which the medians of each alone do not show.
std::string MedianDifference(const std::vector<ColdStart>& program, const std::vector<ColdStart>& first) {
  std::vector<double> differences;
  for (size_t run = 0; run < program.size() && run < first.size(); ++run)
    if (program[run].ListMs >= 0 && first[run].ListMs >= 0)
      differences.push_back(program[run].ListMs - first[run].ListMs);
  if (differences.empty()) return "none";
  char text[32];
  std::snprintf(text, sizeof text, "%+.0f", Median(differences));
  return text;
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

}  // namespace

int main(int argc, char** argv) {
  int count = 0, repeats = 5;
  bool statusColumn = false;
  std::vector<std::string> programs;
  std::vector<bool> statusColumns;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--count" && i + 1 < argc)
      count = std::atoi(argv[++i]);
    else if (argument == "--repeats" && i + 1 < argc)
      repeats = std::atoi(argv[++i]);
    else if (argument == "--status-column")
      statusColumn = true;
    else {
      programs.push_back(argument);
      statusColumns.push_back(std::exchange(statusColumn, false));
    }
  }
  if (count <= 0 || repeats < 1 || programs.empty()) {
    std::fprintf(stderr, "usage: quillmere_coldstart --count N [--repeats K] [[--status-column] PROGRAM]...\n");
    return 2;
  }
  const std::map<std::string, ExpectedRow> expected = ExpectedRows(count);
  std::vector<std::vector<ColdStart>> starts(programs.size());
  std::vector<double> peer;
  for (int run = 0; run <= repeats; ++run) {
    // Each round begins with the next program: the first start of a round, just after the peer's,
    // is slower than the same program's later in the round.
    for (size_t turn = 0; turn < programs.size(); ++turn) {
      const size_t p = (turn + run) % programs.size();
      const ColdStart times = StartProgram(programs[p], expected, statusColumns[p]);
      std::fprintf(stderr, "start %d of %s: list %.0f ms, icons %.0f ms, peak %.1f MB\n", run, programs[p].c_str(),
                   times.ListMs, times.IconsMs, times.PeakMb);
      if (run > 0) starts[p].push_back(times);
    }
    const double peerMs = StartPeer();
    std::fprintf(stderr, "start %d of the peer: %.0f ms\n", run, peerMs);
    if (run > 0) peer.push_back(peerMs);
  }
  for (size_t p = 0; p < programs.size(); ++p) {
    std::vector<double> list, icons;
    double peak = -1;
    for (const ColdStart& times : starts[p]) {
      list.push_back(times.ListMs);
      icons.push_back(times.IconsMs);
      peak = std::max(peak, times.PeakMb);
    }
    std::printf(
        "COLD program=%s path=%s n=%d rows=%zu list_ms=%.0f icons_ms=%.0f peak_working_set_mb=%.1f "
        "peer_ms=%.0f failed=%d status_column=%d list_ms_less_first=%s\n",
        BaseName(programs[p]).c_str(), programs[p].c_str(), count, expected.size(), Median(list), Median(icons), peak,
        Median(peer), static_cast<int>(std::count(icons.begin(), icons.end(), -1.0)), statusColumns[p] ? 1 : 0,
        MedianDifference(starts[p], starts[0]).c_str());
  }
  return 0;
}
