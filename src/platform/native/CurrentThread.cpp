#include "platform/CurrentThread.h"

#include <pthread.h>

namespace qalo {

std::uintptr_t CurrentThreadId() noexcept { return static_cast<std::uintptr_t>(pthread_self()); }

}  // namespace qalo
