#pragma once

// Runs the selected program's uninstaller (its quiet one when quiet), then rescans.
void Uninstall(bool quiet);
// Runs the Windows Installer's repair of the selected product, then rescans.
void Repair();
