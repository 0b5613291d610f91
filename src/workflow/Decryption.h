#pragma once
// Decryption of the service's depot data and the import-file mode, both
// TDEA-CBC under the user's key with the fixed IV, both streamed: blocks are
// decrypted as they come in and go on to the run's temporary export file.
// Results: 0, -4 (the user cancelled), -5 (decryption failed, the key could
// not be converted, or an exception), -10 (the export file could not be
// written); nothing throws but WindowUnavailable from the file chooser.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Cipher.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "platform/TdeaChain.h"
#include "workflow/ExportFile.h"
#include "workflow/HexToBytes.h"
#include "workflow/ResponseBuffer.h"

namespace qalo {

// The decryption of one buffer, which may begin while the buffer still
// grows: Advance decrypts the blocks that are complete, Complete the rest.
// Used on one thread; the key is wiped when the object goes away.
class ResponseDecryption {
 public:
  ResponseDecryption(const std::string& userKey, Cipher& cipher);
  ResponseDecryption(const ResponseDecryption&) = delete;
  ResponseDecryption& operator=(const ResponseDecryption&) = delete;

  // False when the key cannot be converted.
  bool KeyValid() const noexcept { return key_.has_value(); }

  // Decrypts in place every block of buffer that is followed by another
  // one and not yet decrypted. False once decryption cannot go on: the key
  // is invalid, or the cipher failed or threw (here or before). Never throws.
  bool Advance(ResponseBuffer& buffer) noexcept;

  // How many blocks from the front are decrypted.
  std::size_t DecryptedBlocks() const noexcept { return decrypted_; }

  // Decrypts the remaining blocks: 0, or the cipher's first error number
  // (for a length that is not a multiple of 8 too, asked before any further
  // byte changes). The key must be valid. Throws what the cipher threw, here
  // or in Advance, and std::bad_alloc.
  std::int32_t Complete(ResponseBuffer& buffer);

 private:
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

// The end of the depot data's decryption, with its log lines: the start,
// the length, then the outcome. 0 or -5; nothing throws.
std::int32_t FinishResponseDecryption(ResponseDecryption& decryption, ResponseBuffer& buffer,
                                      HostReporter& host) noexcept;

// Decrypts a whole buffer in place, as FinishResponseDecryption, keeping
// its length (fill bytes stay). Only one block is held twice at any time.
std::int32_t DecryptResponse(ResponseBuffer& buffer, const std::string& userKey, Cipher& cipher,
                             HostReporter& host);

// Lets the user choose the encrypted import file and decrypts it into
// exportFile, put in place as of stamp (when the mode began). A chooser that
// cannot be shown throws WindowUnavailable through.
std::int32_t DecryptImportFile(ExportFile& exportFile, double stamp, const std::string& userKey,
                               FileChooser& chooser, Cipher& cipher, FileSystem& files,
                               HostReporter& host);

// The line for an export file that could not be written.
std::string ExportNotWrittenLine(const std::string& name);

}  // namespace qalo
