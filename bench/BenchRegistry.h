#pragma once
// Synthetic uninstall registrations for the benchmark, realistic in shape: about fifteen values
// each, a third with usage-cache records, half with an icon from a few real files of a Wine
// prefix, a few hot-fixes and Windows Installer products; every tenth name holds "Tenth".
// Writes count registrations under the two roots as they are now (redirected or real).
void SeedRegistrations(int count);
// Deletes what SeedRegistrations wrote under the two roots.
void RemoveRegistrations(int count);
