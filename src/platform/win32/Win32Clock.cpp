#include "platform/win32/Win32Clock.h"

#include <windows.h>

#include "workflow/DateTime.h"

namespace qalo {

double Win32Clock::Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return MakeDateTime({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
}

}  // namespace qalo
