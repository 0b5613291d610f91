#pragma once
#include <cstdint>

namespace qalo {

// Result codes of an ExportXML run. -n carries the service's error code n.
namespace result {
constexpr std::int32_t kOk = 0;
constexpr std::int32_t kOnlineError = -1;
constexpr std::int32_t kImportFileNotFound = -2;
constexpr std::int32_t kImportFileNotCopyable = -3;
constexpr std::int32_t kCancelled = -4;
constexpr std::int32_t kDecryptFailed = -5;
constexpr std::int32_t kUnknownMessage = -6;
constexpr std::int32_t kInvalidErrorCode = -7;
constexpr std::int32_t kNoData = -8;
// Failures the service's table has no code for; their texts are "unspecified".
// Out of memory, a window that cannot be created, a broken invariant, a date
// from the host that no date text can hold.
constexpr std::int32_t kUnexpectedFailure = -9;
constexpr std::int32_t kExportFileNotWritten = -10;  // export file could not be created or written
}  // namespace result

}  // namespace qalo
