#pragma once
#include <cstdint>
#include <string>

namespace qalo {

// The German message for a result code (Windows-1252, at most 50 characters),
// as GetExportErrorMsg hands it to the host.
std::string ExportErrorMessage(std::int32_t code);

}  // namespace qalo
