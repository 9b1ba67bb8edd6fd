#pragma once
// Text between the program's narrow strings (the ANSI code page, or UTF-8) and the system's UTF-16.
#include <windows.h>

#include <string>

std::wstring WideFrom(const std::string& text, UINT codePage = CP_ACP);
std::string NarrowFrom(const std::wstring& text, UINT codePage = CP_ACP);
