#pragma once
// The calling thread's identity, asked of the system: std::this_thread would
// make a thread that the C++ runtime did not start (the host's) known to
// winpthreads, which keeps a record of it (a handle, an event, a storage
// slot) that no unload of the plug-in releases.
#include <cstdint>

namespace qalo {

std::uintptr_t CurrentThreadId() noexcept;

}  // namespace qalo
