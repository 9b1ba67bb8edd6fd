#pragma once

// Runs the selected program's uninstaller, or, when it registers only a quiet one and the user
// agrees, that one; then rescans.
void Uninstall();
// Runs the Windows Installer's repair of the selected product, then rescans.
void Repair();
