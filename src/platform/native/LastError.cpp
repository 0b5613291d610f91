#include "platform/LastError.h"

#include <cerrno>

namespace qalo {

std::uint32_t ThreadLastError() noexcept { return static_cast<std::uint32_t>(errno); }
void SetThreadLastError(std::uint32_t error) noexcept { errno = static_cast<int>(error); }

}  // namespace qalo
