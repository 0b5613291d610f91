/* A host written in C89 against include/ImpApiQALO.h alone: built with
   -std=c89 -Wall -Werror, it loads the DLL by name and checks the answers
   that need no window. Prints what differs; the exit code counts it. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "ImpApiQALO.h"

/* GetProcAddress's FARPROC goes through void (*)(void), which converts to
   any function pointer type without a warning. */
typedef void (*AnyFunction)(void);
#define LOOKUP(type, name) ((type)(AnyFunction)GetProcAddress(module, name))

static int failures = 0;

static void Check(int ok, const char *what)
{
  if (!ok) {
    printf("differs: %s\n", what);
    ++failures;
  }
}

static void __stdcall OnProgress(int kind, int value, const char *text)
{
  if (kind == IMPAPIQALO_KIND_LOG && value == IMPAPIQALO_VALUE_LOG) printf("LOG: %s\n", text);
}

int main(void)
{
  HMODULE module = LoadLibraryA(IMPAPIQALO_LIBRARY_NAME);
  ImpApiQALO_VersionInfo versionInfo;
  ImpApiQALO_AppVersionCheck appVersionCheck;
  ImpApiQALO_ImportVersionInfo importVersionInfo;
  ImpApiQALO_GetExportErrorMsg getExportErrorMsg;
  ImpApiQALO_RegProgrCallback regProgrCallback;
  char version[IMPAPIQALO_VERSION_BUFFER_SIZE];
  char message[IMPAPIQALO_MESSAGE_BUFFER_SIZE];

  if (!module) {
    printf("cannot load %s\n", IMPAPIQALO_LIBRARY_NAME);
    return 1;
  }
  versionInfo = LOOKUP(ImpApiQALO_VersionInfo, "VersionInfo");
  appVersionCheck = LOOKUP(ImpApiQALO_AppVersionCheck, "AppVersionCheck");
  importVersionInfo = LOOKUP(ImpApiQALO_ImportVersionInfo, "ImportVersionInfo");
  getExportErrorMsg = LOOKUP(ImpApiQALO_GetExportErrorMsg, "GetExportErrorMsg");
  regProgrCallback = LOOKUP(ImpApiQALO_RegProgrCallback, "RegProgrCallback");
  if (!versionInfo || !appVersionCheck || !importVersionInfo || !getExportErrorMsg ||
      !regProgrCallback) {
    printf("an export is missing\n");
    return 1;
  }

  Check(versionInfo() == IMPAPIQALO_INTERFACE_VERSION, "VersionInfo");
  Check(appVersionCheck(IMPAPIQALO_LOWEST_HOST_VERSION) == 0, "AppVersionCheck accepts");
  Check(appVersionCheck(IMPAPIQALO_LOWEST_HOST_VERSION - 1) == -1, "AppVersionCheck refuses");
  importVersionInfo(version);
  Check(version[0] == 5 && memcmp(version + 1, "2.0.6", 5) == 0, "ImportVersionInfo");
  Check(getExportErrorMsg(IMPAPIQALO_RESULT_CANCELLED, message) == 0 &&
            strcmp(message, "Abbruch durch Benutzer") == 0,
        "GetExportErrorMsg");
  Check(regProgrCallback(OnProgress) == 0 && regProgrCallback(NULL) == 0, "RegProgrCallback");

  FreeLibrary(module);
  return failures;
}
