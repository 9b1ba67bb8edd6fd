#pragma once
// Whether a registration is stale: its uninstaller's program is gone, or the Windows Installer
// does not know its product. Asked of the file system and of the installer only when something
// shows it, and then once per entry and scan.
#include "inventory/EntryValues.h"
#include "inventory/ProgramEntry.h"
#include "inventory/StaleRules.h"

// The values that a status is found from: the uninstall commands.
const uint32_t StatusValues = UninstallStringBit | QuietUninstallStringBit;

// The entry's status, found when first asked. The entry's StatusValues must have been read.
// A program on a share or a remote drive is never looked for (a lost connection would make the
// search hang): its status is Fine, as is that of a command that names no program.
RegistrationStatus StatusOf(const ProgramEntry& entry);

// The installer's state of a product (MsiQueryProductStateA, of msi.dll loaded when first needed);
// tests put a stand-in here.
using ProductStateQuery = int(WINAPI*)(const char* productCode);
extern ProductStateQuery QueryProductState;
