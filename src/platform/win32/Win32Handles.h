#pragma once
// Owners for the Win32 handles the plug-in uses.
#include <windows.h>

#include "platform/UniqueHandle.h"

namespace qalo {

inline void CloseRegKey(HKEY key) noexcept { RegCloseKey(key); }
inline void CloseKernelHandle(HANDLE h) noexcept { CloseHandle(h); }
inline void CloseModule(HMODULE module) noexcept { FreeLibrary(module); }

using UniqueRegKey = UniqueAny<HKEY, CloseRegKey>;
using UniqueModule = UniqueAny<HMODULE, CloseModule>;

struct FileHandleTraits {
  static HANDLE Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
using UniqueFileHandle = UniqueHandle<HANDLE, FileHandleTraits>;

}  // namespace qalo
