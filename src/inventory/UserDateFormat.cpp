#include <windows.h>

#include "inventory/Dates.h"

// The text is asked for in the ANSI code page (UTF-8), whatever the user's locale, and in a buffer
// of the size it needs: a long format, or one of non-Latin letters, takes many bytes.
std::string FormatDate(uint32_t day) {
  if (day == 0) return "";
  SYSTEMTIME date = {};
  date.wYear = static_cast<WORD>(day / 10000);
  date.wMonth = static_cast<WORD>(day / 100 % 100);
  date.wDay = static_cast<WORD>(day % 100);
  const DWORD flags = DATE_SHORTDATE | LOCALE_USE_CP_ACP;
  const int size = GetDateFormatA(LOCALE_USER_DEFAULT, flags, &date, nullptr, nullptr, 0);
  if (size == 0) return "";
  std::string text(static_cast<size_t>(size), '\0');
  if (GetDateFormatA(LOCALE_USER_DEFAULT, flags, &date, nullptr, &text[0], size) == 0) return "";
  text.resize(text.find('\0'));
  return text;
}
