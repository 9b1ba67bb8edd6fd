#pragma once
// The copy of a registration that Remove Entry keeps before it deletes the key, as a .reg file
// that the system's "reg import" and Registry Editor read back, and the copy that an undo writes
// back.
#include <windows.h>

#include <string>

#include "inventory/ProgramEntry.h"
#include "registry/RegFile.h"

// A file that does not exist yet: %LOCALAPPDATA%\Quillmere\Removed entries\TITLE DATE TIME.reg.
std::wstring NewBackupPath(const ProgramEntry& entry);

// The registration's key as Registry Editor names it, in its own registry view: a machine-wide
// registration of the 32-bit view under SOFTWARE\Wow6432Node.
std::u16string BackupKeyPath(const ProgramEntry& entry);

// Reads the entry's registration whole into tree and writes it to the file at path, completely
// or not at all. ERROR_SUCCESS, or the error of the read or of the write.
DWORD BackUpRegistration(const ProgramEntry& entry, const std::wstring& path, RegKeyTree& tree);

// Writes tree back where the entry's registration was; ERROR_ALREADY_EXISTS when a key of that
// name exists there again, which is left as it is.
DWORD RestoreRegistration(const ProgramEntry& entry, const RegKeyTree& tree);
