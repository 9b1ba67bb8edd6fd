#pragma once
// What tells a stale registration apart, read from its key name and its uninstall command. Free of
// platform calls.
#include <string>

// What the program knows of a registration: nothing wrong found (or nothing can be known), an
// uninstaller whose program file does not exist, or a Windows Installer product that the installer
// does not know. In this order the sort puts the stale entries together.
enum class RegistrationStatus : signed char { Fine, UninstallerMissing, NotInstalled };

// "", "Uninstaller missing" or "Not installed (Windows Installer)".
const char* StatusText(RegistrationStatus status);

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with hexadecimal digits.
bool IsProductCode(const std::string& text);

// The Windows Installer product code of a registration: its key name when that is one, else the
// code of /X{...} or /I{...} when its command runs msiexec; "" for others.
std::string InstallerProductCode(const std::string& keyName, const std::string& command);

// A path of a share (\\server\share\...), which only the network can tell about.
bool IsSharePath(const std::string& path);

// The drive letter that path starts with (C of C:\...), or 0.
char DriveLetter(const std::string& path);
