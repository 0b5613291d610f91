#pragma once
// The calling thread's last error: GetLastError on Windows, errno elsewhere.
#include <cstdint>

namespace qalo {

std::uint32_t ThreadLastError() noexcept;
void SetThreadLastError(std::uint32_t error) noexcept;

// Puts the thread's last error back as it was at construction: releasing a
// handle or a library calls the system, which must not overwrite the error
// its caller is about to report (wil's close_reset).
class KeptLastError {
 public:
  KeptLastError() noexcept : error_(ThreadLastError()) {}
  ~KeptLastError() { SetThreadLastError(error_); }
  KeptLastError(const KeptLastError&) = delete;
  KeptLastError& operator=(const KeptLastError&) = delete;

 private:
  std::uint32_t error_;
};

}  // namespace qalo
