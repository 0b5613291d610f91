// Library load: the frame's placeholders, then the plug-in module's identity.
#include <windows.h>

#include "plugin/Identity.h"
#include "plugin/win32/ImpApi_QALO.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  try {
    qalo::ResetPluginFrame();
    qalo::RegisterPlugin(qalo::Identity());
    return TRUE;
  } catch (...) {
    return FALSE;  // refuse to load rather than run half-initialised
  }
}
