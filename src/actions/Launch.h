#pragma once
#include <string>

#include "inventory/ProgramEntry.h"

// Starts commandLine as a child process and returns when it has ended. Meanwhile the main
// window keeps painting but takes no input. A program that needs administrator rights is started
// with the system's elevation prompt; a failed launch is reported to the user with the system's
// reason, a declined prompt is not.
void LaunchAndWait(std::string commandLine);

// LaunchAndWait for entry's uninstaller; when its file or path does not exist, the failure box asks
// whether to remove the entry (with its backup, as Remove Entry does).
void LaunchUninstaller(const ProgramEntry& entry, const std::string& commandLine);

// Starts this program again with the elevation prompt and, once it has started, closes this
// one's main window; a declined prompt changes nothing.
void RunAsAdministrator();
