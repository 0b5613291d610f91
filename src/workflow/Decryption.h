#pragma once
// Decryption of the service's depot data and the import-file mode, both
// TDEA-CBC under the user's key with the fixed IV. Results: 0, -4 (the user
// cancelled), -5 (decryption failed, the key could not be converted, or an
// exception); nothing throws.
#include <cstdint>
#include <string>

#include "platform/Cipher.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "workflow/ResponseBuffer.h"

namespace qalo {

// Decrypts buffer in place, block by block, keeping its length (fill bytes
// stay). Only one block is held twice at any time. A length that is not a
// multiple of 8 is refused with the cipher's error number before any byte
// changes. After a failure the buffer's content is not to be used.
std::int32_t DecryptResponse(ResponseBuffer& buffer, const std::string& userKey, Cipher& cipher,
                             HostReporter& host);

// Lets the user choose the encrypted import file and decrypts it into
// exportFileName, which appears complete or not at all: the cipher writes a
// temporary file beside it that is then renamed into place.
std::int32_t DecryptImportFile(const std::string& exportFileName, const std::string& userKey,
                               FileChooser& chooser, Cipher& cipher, FileSystem& files,
                               HostReporter& host);

}  // namespace qalo
