#pragma once
// Decryption of the service's depot data and the import-file mode, both
// TDEA-CBC under the user's key with the fixed IV. Results: 0, -4 (the user
// cancelled), -5 (decryption failed, the key could not be converted, or an
// exception); nothing throws but WindowUnavailable from the file chooser.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Cipher.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "platform/TdeaChain.h"
#include "workflow/HexToBytes.h"
#include "workflow/ResponseBuffer.h"

namespace qalo {

// The decryption of one response buffer, which may begin while the buffer
// still grows: Advance decrypts the blocks that are complete, Finish the
// rest, with the log lines and result of DecryptResponse. A failure during
// Advance is kept, not logged, and reported by Finish at the usual point.
// Used on one thread; the key is wiped when the object goes away.
class ResponseDecryption {
 public:
  ResponseDecryption(const std::string& userKey, Cipher& cipher);
  ResponseDecryption(const ResponseDecryption&) = delete;
  ResponseDecryption& operator=(const ResponseDecryption&) = delete;

  // Decrypts in place every block of buffer that is followed by another
  // one and not yet decrypted; nothing when the key cannot be converted or
  // an earlier call failed. Never throws.
  void Advance(ResponseBuffer& buffer) noexcept;

  // How many blocks from the front are decrypted.
  std::size_t DecryptedBlocks() const noexcept { return decrypted_; }

  // Logs the start and the length, decrypts the remaining blocks and logs
  // the outcome. Results as DecryptResponse; nothing throws.
  std::int32_t Finish(ResponseBuffer& buffer, HostReporter& host) noexcept;

 private:
  std::int32_t FinishOrThrow(ResponseBuffer& buffer, HostReporter& host);
  // Decrypts the blocks before end; the cipher's first failure, or 0.
  std::int32_t DecryptUpTo(ResponseBuffer& buffer, std::size_t end);

  Cipher& cipher_;
  std::optional<KeyBytes> key_;
  KeyBytes iv_;
  std::optional<TdeaChain> chain_;
  std::vector<std::uint8_t> input_;  // the block being decrypted, as it came
  std::size_t decrypted_ = 0;        // blocks done
  std::int32_t failure_ = 0;         // the cipher's number after a failure in Advance
  bool threw_ = false;               // Advance ended in an exception
};

// Decrypts buffer in place, block by block, keeping its length (fill bytes
// stay). Only one block is held twice at any time. A length that is not a
// multiple of 8 is refused with the cipher's error number before any byte
// changes. After a failure the buffer's content is not to be used.
std::int32_t DecryptResponse(ResponseBuffer& buffer, const std::string& userKey, Cipher& cipher,
                             HostReporter& host);

// Lets the user choose the encrypted import file and decrypts it into
// exportFileName, which appears complete or not at all: the cipher writes a
// temporary file beside it that is then renamed into place. A chooser that
// cannot be shown throws WindowUnavailable through.
std::int32_t DecryptImportFile(const std::string& exportFileName, const std::string& userKey,
                               FileChooser& chooser, Cipher& cipher, FileSystem& files,
                               HostReporter& host);

}  // namespace qalo
