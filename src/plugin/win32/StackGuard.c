/* The stack protector's canary and its failure, in place of libssp's. libssp
   sets the canary up through CryptAcquireContext, which loads rsaenh.dll and,
   through its imports, bcrypt.dll by the host's search order, beside the
   host's executable first. This takes what the process has at hand instead,
   as MSVC's __security_init_cookie does. It runs among the constructors,
   before any protected function of the module. */
#include <windows.h>

#include <stdint.h>

void *__stack_chk_guard;

static void __attribute__((constructor, no_stack_protector)) SetUpStackGuard(void)
{
  FILETIME time;
  LARGE_INTEGER counter;
  uintptr_t guard;
  GetSystemTimeAsFileTime(&time);
  QueryPerformanceCounter(&counter);
  guard = (uintptr_t)time.dwLowDateTime ^ (uintptr_t)time.dwHighDateTime;
  guard ^= (uintptr_t)GetCurrentProcessId() << 16 ^ (uintptr_t)GetCurrentThreadId();
  guard ^= (uintptr_t)GetTickCount() ^ (uintptr_t)counter.LowPart ^ (uintptr_t)counter.HighPart;
  guard ^= (uintptr_t)&guard;
  __stack_chk_guard = (void *)(guard != 0 ? guard : 0xBB40E64Eu);
}

/* A smashed stack is not to be trusted with a message or an unwinding. */
void __attribute__((noreturn)) __stack_chk_fail(void)
{
  TerminateProcess(GetCurrentProcess(), 0xC0000409u); /* STATUS_STACK_BUFFER_OVERRUN */
  __builtin_trap();
}
