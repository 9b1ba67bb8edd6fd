#pragma once
// Synthetic uninstall registrations for the benchmark, realistic in shape: about fifteen values
// each, a third with usage-cache records, half with an icon of a real file of a Wine prefix (up
// to 184 different ones), a few hot-fixes and Windows Installer products; every tenth name holds
// "Tenth".
#include <string>

// Writes count registrations under the two roots as they are now (redirected or real).
void SeedRegistrations(int count);
// Deletes what SeedRegistrations wrote under the two roots.
void RemoveRegistrations(int count);

// What the list shows of registration i, and where its icon comes from.
struct BenchRow {
  bool Listed;  // hot-fixes are listed only with the system components
  std::string Name;
  std::string Company;
  std::string IconLocation;  // DisplayIcon, else the used program's path; "" for none
};
BenchRow BenchRowOf(int i);

// The time from a fixed point, in milliseconds.
double NowMs();
