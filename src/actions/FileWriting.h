#pragma once
#include <windows.h>

#include <string>

// Writes bytes to a temporary file beside path and then moves it to path, so that path holds
// either its earlier content or all of bytes; the error, or ERROR_SUCCESS.
DWORD ReplaceFileContent(const std::wstring& path, const std::string& bytes);
