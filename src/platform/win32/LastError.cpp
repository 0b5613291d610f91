#include "platform/LastError.h"

#include <windows.h>

namespace qalo {

std::uint32_t ThreadLastError() noexcept { return GetLastError(); }
void SetThreadLastError(std::uint32_t error) noexcept { SetLastError(error); }

}  // namespace qalo
