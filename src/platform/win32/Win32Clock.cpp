#include "platform/win32/Win32Clock.h"

#include <windows.h>
#include <oleauto.h>

namespace qalo {

// An OLE date is the same day count, so the system converts it.
double Win32Clock::Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  t.wMilliseconds = 0;
  double day = 0.0;
  SystemTimeToVariantTime(&t, &day);
  return day;
}

std::string Win32Clock::TimeSeparator() {
  char separator[4] = {};  // the locale allows at most three characters
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, sizeof separator) <= 1)
    return ":";
  return separator;
}

}  // namespace qalo
