#include "inventory/DateFormatting.h"

std::string FormatDate(const FILETIME& time) {
  if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0) return "";
  SYSTEMTIME systemTime;
  if (!FileTimeToSystemTime(&time, &systemTime)) return "";
  char text[20];
  if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &systemTime, nullptr, text, sizeof text) == 0) return "";
  return text;
}
