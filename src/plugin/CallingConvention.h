#pragma once
// The host calls and is called with the Windows standard calling convention.
#if defined(_WIN32) && defined(__i386__)
#define QALO_STDCALL __stdcall
#else
#define QALO_STDCALL
#endif
