// pthread_once of the DLL's static runtime, in place of winpthreads' own
// (-Wl,--wrap=pthread_once, src/CMakeLists.txt). libgcc calls it at every
// load to register its unwind tables, libstdc++ for guarded statics; and
// winpthreads' version records each calling thread (a duplicate of its
// handle, an event, a storage slot) where no unload ever releases it. The
// system's one-time initialisation records nothing.
#include <windows.h>

#include <pthread.h>

#include <cerrno>

static_assert(sizeof(pthread_once_t) == sizeof(INIT_ONCE) && PTHREAD_ONCE_INIT == 0,
              "a zeroed pthread_once_t must be a statically initialised INIT_ONCE");

extern "C" int __wrap_pthread_once(pthread_once_t* once, void (*init)(void)) {
  if (!once || !init) return EINVAL;
  auto* state = reinterpret_cast<INIT_ONCE*>(once);
  BOOL pending = FALSE;
  if (!InitOnceBeginInitialize(state, 0, &pending, nullptr)) return EINVAL;
  if (!pending) return 0;
  // Begin and complete rather than a callback: an exception from init must
  // not unwind through a system frame. It leaves the once to be run again.
  try {
    init();
  } catch (...) {
    InitOnceComplete(state, INIT_ONCE_INIT_FAILED, nullptr);
    throw;
  }
  InitOnceComplete(state, 0, nullptr);
  return 0;
}
