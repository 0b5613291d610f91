#pragma once
// Owners for the Win32 handles the plug-in uses.
#include <windows.h>

#include "platform/UniqueHandle.h"

namespace qalo {

inline void CloseRegKey(HKEY key) noexcept { RegCloseKey(key); }

using UniqueRegKey = UniqueAny<HKEY, CloseRegKey>;

struct FileHandleTraits {
  static HANDLE Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
using UniqueFileHandle = UniqueHandle<HANDLE, FileHandleTraits>;

struct FindHandleTraits {
  static HANDLE Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { FindClose(h); }
};

}  // namespace qalo
