#pragma once
// Owners for the Win32 handles the plug-in uses.
#include <windows.h>

#include "platform/UniqueHandle.h"

namespace qalo {

inline void CloseRegKey(HKEY key) noexcept { RegCloseKey(key); }
inline void UnloadModule(HMODULE module) noexcept { FreeLibrary(module); }
inline void CloseKernelHandle(HANDLE handle) noexcept { CloseHandle(handle); }
inline void FreeLocalText(char* text) noexcept { LocalFree(text); }

using UniqueRegKey = UniqueAny<HKEY, CloseRegKey>;
using UniqueModule = UniqueAny<HMODULE, UnloadModule>;
using UniqueKernelHandle = UniqueAny<HANDLE, CloseKernelHandle>;  // null when empty
// A text the system allocated for the caller with LocalAlloc.
using UniqueLocalText = UniqueAny<char*, FreeLocalText>;

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
