#pragma once
// Decryption of the service's depot data and the import-file mode, both
// TDEA-CBC under the user's key with the fixed IV, both streamed: blocks are
// decrypted as they come in and go on to the run's temporary export file.
// Results: 0, -4 (the user cancelled), -5 (decryption failed, the key could
// not be converted, or the cipher threw), -10 (the export file could not be
// written); nothing throws but WindowUnavailable from the file chooser and
// std::bad_alloc, which reads as out of memory wherever it struck.
#include <array>
#include <cstdint>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "platform/Cipher.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "platform/Threads.h"
#include "workflow/DecryptionWorkers.h"
#include "workflow/ExportFile.h"
#include "workflow/HexToBytes.h"
#include "workflow/ResponseBuffer.h"

namespace qalo {

// The decryption of one buffer, which may begin while the buffer still
// grows: Advance decrypts what is complete, Complete the rest. On a machine
// of several cores, workers of the object's own decrypt in pieces of a
// sixteenth of a block, the block that still grows included, beside the
// thread that calls the object, which alone uses the buffer; on one core
// (or with no worker to be had) that thread decrypts whole blocks, each
// once the next one has begun. Workers start with the first complete block
// and are ended and joined in Complete, at the first failure, or when the
// object goes away: a buffer passed in must outlive the object. The key is
// wiped when the object goes away.
class ResponseDecryption {
 public:
  // Bytes let be in flight (handed on, not yet taken out) per thread, in
  // blocks: enough to keep every thread busy.
  static constexpr std::size_t kBlocksInFlightPerThread = 2;
  // What a block is handed on in when workers are at work: small enough
  // that the end of the body leaves little to do, large enough that handing
  // on costs nothing against the cipher.
  static constexpr std::size_t kPiecesPerBlock = 16;

  // cipher and threads outlive the object.
  ResponseDecryption(const std::string& userKey, Cipher& cipher, Threads& threads);
  ResponseDecryption(const ResponseDecryption&) = delete;
  ResponseDecryption& operator=(const ResponseDecryption&) = delete;

  // False when the key cannot be converted.
  bool KeyValid() const noexcept { return key_.has_value(); }

  // Hands on what is complete once a block is followed by another one, and
  // decrypts what waits beyond the next piece of each worker; while too
  // much is in flight it waits for the oldest piece, so that reading cannot
  // run ahead of the cipher. False once decryption cannot go on: the key is
  // invalid, or the cipher failed or threw (here or before; the first piece
  // in order counts). Never throws.
  bool Advance(ResponseBuffer& buffer) noexcept;

  // How many blocks from the front are decrypted; no thread works on them
  // any more.
  std::size_t DecryptedBlocks() const noexcept { return decrypted_; }

  // Decrypts the rest: 0, or the cipher's number for the first piece in
  // order that failed (for a length that is not a multiple of 8, its number
  // for the odd tail, asked before any further byte changes). The key must
  // be valid. Throws again what the cipher threw or std::bad_alloc, here or
  // in Advance, on whichever thread.
  std::int32_t Complete(ResponseBuffer& buffer);

 private:
  // One piece handed on: its length, and how many blocks are decrypted
  // once it is.
  struct Handed {
    std::size_t bytes;
    std::size_t blocksDone;
  };

  // Starts the workers and sets the pieces' length by what they came to.
  void StartWorkers(const ResponseBuffer& buffer) noexcept;
  // Hands on what is not yet of the blocks before `blocks` and of the first
  // growingBytes of the block after them.
  void Hand(ResponseBuffer& buffer, std::size_t blocks, std::size_t growingBytes);
  // Hands on one piece, with its IV.
  void HandPiece(std::uint8_t* data, std::size_t bytes);
  // Takes the outcomes out in order, waiting for the oldest while more than
  // keep bytes are in flight; false at a failure (the workers are ended
  // then).
  bool Collect(std::size_t keep);
  // Complete but for its end; an exception is kept in thrown_.
  std::int32_t FinishBlocks(ResponseBuffer& buffer) noexcept;

  Cipher& cipher_;
  std::optional<KeyBytes> key_;
  KeyBytes iv_;
  std::array<std::uint8_t, kTdeaBlock> nextIv_{};  // the IV of the next piece handed on
  DecryptionWorkers workers_;
  std::size_t pieceBytes_ = SIZE_MAX;  // whole blocks until workers are at work
  std::size_t handedBlock_ = 0;        // the block being handed on
  std::size_t handedBytes_ = 0;        // and how much of it is
  std::deque<Handed> handed_;          // in flight, oldest first
  std::size_t inFlight_ = 0;           // bytes
  std::size_t decrypted_ = 0;          // blocks done
  std::int32_t failure_ = 0;           // the cipher's number after a failure in Advance
  std::exception_ptr thrown_;          // what the cipher threw, or no memory
};

// The end of the depot data's decryption, with its log lines: the start,
// the length, then the outcome. 0 or -5; out of memory, on whichever
// thread, throws std::bad_alloc through, as anywhere else in a run.
std::int32_t FinishResponseDecryption(ResponseDecryption& decryption, ResponseBuffer& buffer,
                                      HostReporter& host);

// Decrypts a whole buffer in place on the machine's cores, as
// FinishResponseDecryption, keeping its length (fill bytes stay). Only a
// block per thread is held twice at any time.
std::int32_t DecryptResponse(ResponseBuffer& buffer, const std::string& userKey, Cipher& cipher,
                             Threads& threads, HostReporter& host);

// Lets the user choose the encrypted import file and decrypts it into
// exportFile, put in place as of stamp (when the mode began). A chooser that
// cannot be shown throws WindowUnavailable through, out of memory
// std::bad_alloc.
std::int32_t DecryptImportFile(ExportFile& exportFile, double stamp, const std::string& userKey,
                               FileChooser& chooser, Cipher& cipher, Threads& threads,
                               FileSystem& files, HostReporter& host);

// The line for an export file that could not be written.
std::string ExportNotWrittenLine(const std::string& name);

}  // namespace qalo
