#pragma once
#include <functional>
#include <string>

#include "platform/FileSystem.h"

namespace qalo {

// Writes a file so that it appears complete or not at all: the content goes
// to a temporary file beside it, which is then renamed over `path`. On any
// failure the temporary file is removed and false is returned.
// writeContent gets the open file and returns false when a write failed.
bool WriteFileAtomically(FileSystem& files, const std::string& path,
                         const std::function<bool(WritableFile&)>& writeContent);

// The name a file is written under before it is renamed to `path`.
std::string TemporaryExportName(const std::string& path);

}  // namespace qalo
