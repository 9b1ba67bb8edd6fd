#include "inventory/DateFormatting.h"

namespace {

// The text is asked for in the ANSI code page (UTF-8), whatever the user's locale, and in a
// buffer of the size it needs: a long format, or one of non-Latin letters, takes many bytes.
std::string ShortDate(const SYSTEMTIME& date) {
  const DWORD flags = DATE_SHORTDATE | LOCALE_USE_CP_ACP;
  const int size = GetDateFormatA(LOCALE_USER_DEFAULT, flags, &date, nullptr, nullptr, 0);
  if (size == 0) return "";
  std::string text(static_cast<size_t>(size), '\0');
  if (GetDateFormatA(LOCALE_USER_DEFAULT, flags, &date, nullptr, &text[0], size) == 0) return "";
  text.resize(text.find('\0'));
  return text;
}

}  // namespace

std::string FormatDate(const FILETIME& time) {
  if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0) return "";
  SYSTEMTIME systemTime;
  if (!FileTimeToSystemTime(&time, &systemTime)) return "";
  return ShortDate(systemTime);
}

std::string FormatInstallDate(uint32_t date) {
  if (date == 0) return "";
  SYSTEMTIME systemTime = {};
  systemTime.wYear = static_cast<WORD>(date / 10000);
  systemTime.wMonth = static_cast<WORD>(date / 100 % 100);
  systemTime.wDay = static_cast<WORD>(date % 100);
  return ShortDate(systemTime);
}
