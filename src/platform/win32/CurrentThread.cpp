#include "platform/CurrentThread.h"

#include <windows.h>

namespace qalo {

std::uintptr_t CurrentThreadId() noexcept { return GetCurrentThreadId(); }

}  // namespace qalo
