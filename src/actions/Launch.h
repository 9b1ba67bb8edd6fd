#pragma once
#include <string>

// Starts commandLine as a child process and returns when it has ended. Meanwhile the main
// window keeps painting but takes no input. A failed launch is reported to the user.
void LaunchAndWait(std::string commandLine);
