#include "workflow/Decryption.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <optional>

#include "platform/CipherErrors.h"
#include "workflow/ResultCodes.h"
#include "workflow/StreamedExport.h"

namespace qalo {
namespace {

const char kChooserTitle[] = "QALO - Importfile auswählen ...";
const char kSucceeded[] = "... erfolgreich dechiffriert!";
const char kException[] = "... mit Exception ABGEBROCHEN !!";
const char kInvalidKey[] =
    "... Schlüssel (UserKey) ungültig: höchstens 48 Hexadezimalziffern (0-9, a-f) erlaubt!";

// The import file is read in pieces of this size.
constexpr std::size_t kImportChunk = 64 * 1024;

std::string ErrorLine(std::int32_t rc) { return "... meldet Fehler # " + std::to_string(rc); }

// The cipher's verdict on a length that is not a multiple of 8, asked with
// the odd tail alone so that no byte of the buffer is touched.
std::int32_t RefuseLength(const ResponseBuffer& buffer, const KeyBytes& key, Cipher& cipher,
                          const KeyBytes& iv) {
  const auto tail = static_cast<std::int32_t>(buffer.Size() % kTdeaBlock);
  std::uint8_t in[kTdeaBlock] = {}, out[kTdeaBlock] = {};
  const ResponseBuffer::Block last = buffer.BlockAt(buffer.BlockCount() - 1);
  std::memcpy(in, last.data + last.size - tail, tail);
  return cipher.TDEA_BytesMode(out, in, tail, key.data(), kTdeaDecrypt, "CBC", iv.data());
}

// Reads the import file into buffer, decrypting and writing out what is
// complete as it comes: 0, or the error number of the first failure.
std::int32_t StreamImportFile(ReadableFile& in, ResponseBuffer& buffer,
                              ResponseDecryption& decryption, StreamedExport& output) {
  std::vector<std::uint8_t> chunk(kImportChunk);
  for (;;) {
    std::size_t got = 0;
    if (!in.Read(chunk.data(), chunk.size(), got)) return cipher_error::kFileRead;
    if (got == 0) return 0;
    buffer.Write(chunk.data(), got);
    if (!decryption.Advance(buffer)) return decryption.Complete(buffer);
    if (!output.Take(buffer, decryption.DecryptedBlocks())) return 0;
  }
}

std::int32_t DecryptImportOrThrow(ExportFile& exportFile, double stamp,
                                  const std::string& importFile, const std::string& userKey,
                                  Cipher& cipher, Threads& threads, FileSystem& files,
                                  HostReporter& host) {
  ResponseBuffer buffer;  // outlives the decryption's workers
  ResponseDecryption decryption(userKey, cipher, threads);
  if (!decryption.KeyValid()) {
    host.Log(kInvalidKey);
    return result::kDecryptFailed;
  }
  std::int32_t rc = cipher_error::kInputFileOpen;
  StreamedExport output(exportFile);
  if (const auto in = files.OpenForReading(importFile)) {
    rc = StreamImportFile(*in, buffer, decryption, output);
    if (rc == 0 && !output.Failed()) rc = decryption.Complete(buffer);
  }
  if (rc != 0) {
    host.Log(ErrorLine(rc));
    return result::kDecryptFailed;
  }
  const std::optional<std::string> name = output.Commit(buffer, stamp);
  if (!name) {
    host.Log(ExportNotWrittenLine(ExportFileName(exportFile.XmlDir(), stamp)));
    return result::kExportFileNotWritten;
  }
  host.Log(kSucceeded);
  return result::kOk;
}

}  // namespace

ResponseDecryption::ResponseDecryption(const std::string& userKey, Cipher& cipher,
                                       Threads& threads)
    : cipher_(cipher),
      key_(ConvertKey(userKey)),
      iv_(HexToBytes(kIvText)),
      workers_(cipher, key_ ? key_->data() : nullptr, threads) {
  std::copy(iv_.data(), iv_.data() + kTdeaBlock, nextIv_.begin());
}

bool ResponseDecryption::Advance(ResponseBuffer& buffer) noexcept {
  if (!key_ || failure_ != 0 || thrown_) return false;
  if (buffer.BlockCount() < 2) return true;
  bool ok = false;
  try {
    StartWorkers(buffer);
    // Of the block that grows, the whole pieces that are in.
    const std::size_t growing = buffer.BlockCount() - 1;
    const std::size_t growingBytes =
        pieceBytes_ == SIZE_MAX ? 0 : buffer.BlockAt(growing).size / pieceBytes_ * pieceBytes_;
    Hand(buffer, growing, growingBytes);
    // The calling thread's share between reads: what waits beyond the next
    // piece of each worker, so that none of them runs dry while it reads.
    ok = Collect(SIZE_MAX);
    while (ok && workers_.DecryptWaiting(workers_.Workers())) ok = Collect(SIZE_MAX);
    const std::size_t most =
        kBlocksInFlightPerThread * (workers_.Workers() + 1) * buffer.BlockSize();
    ok = ok && Collect(most - 1);
  } catch (...) {
    thrown_ = std::current_exception();
  }
  if (!ok) workers_.Stop();
  return ok;
}

void ResponseDecryption::StartWorkers(const ResponseBuffer& buffer) noexcept {
  const std::size_t piece = std::max<std::size_t>(
      kTdeaBlock, buffer.BlockSize() / kPiecesPerBlock / kTdeaBlock * kTdeaBlock);
  workers_.Start(piece);
  if (workers_.Workers() > 0) pieceBytes_ = piece;
}

void ResponseDecryption::Hand(ResponseBuffer& buffer, std::size_t blocks,
                              std::size_t growingBytes) {
  while (handedBlock_ < blocks || (handedBlock_ == blocks && handedBytes_ < growingBytes)) {
    const ResponseBuffer::Block block = buffer.BlockAt(handedBlock_);
    const bool whole = handedBlock_ < blocks;
    const std::size_t bytes =
        std::min(pieceBytes_, (whole ? block.size : growingBytes) - handedBytes_);
    if (bytes > 0) HandPiece(block.data + handedBytes_, bytes);
    handedBytes_ += bytes;
    if (whole && handedBytes_ == block.size) {
      // Its last piece, handed on now or while the block grew, ends it.
      ++handedBlock_;
      handedBytes_ = 0;
      if (handed_.empty()) decrypted_ = handedBlock_;
      else handed_.back().blocksDone = handedBlock_;
    }
  }
}

void ResponseDecryption::HandPiece(std::uint8_t* data, std::size_t bytes) {
  // Each piece's IV is taken here, never from what the cipher left in an IV
  // buffer (Wine's CNG leaves it as it was); the next one before a worker
  // may decrypt this piece in place.
  std::array<std::uint8_t, kTdeaBlock> next;
  std::memcpy(next.data(), data + bytes - kTdeaBlock, kTdeaBlock);
  handed_.push_back({bytes, handedBlock_});
  try {
    workers_.Add({data, bytes, nextIv_});
  } catch (...) {
    handed_.pop_back();
    throw;
  }
  inFlight_ += bytes;
  nextIv_ = next;
}

bool ResponseDecryption::Collect(std::size_t keep) {
  while (!handed_.empty()) {
    const std::optional<DecryptionWorkers::Outcome> outcome =
        workers_.TakeOldest(inFlight_ > keep);
    if (!outcome) return true;
    const Handed piece = handed_.front();
    handed_.pop_front();
    inFlight_ -= piece.bytes;
    if (outcome->failure || outcome->rc != 0) {
      thrown_ = outcome->failure;
      failure_ = outcome->rc;
      workers_.Stop();
      return false;
    }
    decrypted_ = piece.blocksDone;
  }
  return true;
}

std::int32_t ResponseDecryption::Complete(ResponseBuffer& buffer) {
  const std::int32_t rc = FinishBlocks(buffer);
  workers_.Stop();
  if (thrown_) std::rethrow_exception(thrown_);
  return rc;
}

std::int32_t ResponseDecryption::FinishBlocks(ResponseBuffer& buffer) noexcept {
  try {
    // What is in flight first: Advance has begun on it already.
    if (failure_ != 0 || thrown_ || !Collect(0)) return failure_;
    // The odd tail lies in the last block, of which Advance hands on whole
    // pieces only: the length is judged as if nothing had been decrypted yet.
    if (buffer.Size() % kTdeaBlock != 0) return RefuseLength(buffer, *key_, cipher_, iv_);
    if (buffer.BlockCount() - handedBlock_ > 1) StartWorkers(buffer);
    Hand(buffer, buffer.BlockCount(), 0);
    Collect(0);
  } catch (...) {
    thrown_ = std::current_exception();
  }
  return failure_;
}

std::int32_t FinishResponseDecryption(ResponseDecryption& decryption, ResponseBuffer& buffer,
                                      HostReporter& host) {
  try {
    host.Log("Entschlüsseln der Daten ...");
    host.Log("Dateilänge: " + std::to_string(buffer.Size()) + " Bytes");
    if (!decryption.KeyValid()) {
      host.Log(kInvalidKey);
      return result::kDecryptFailed;
    }
    const std::int32_t rc = decryption.Complete(buffer);
    if (rc != 0) {
      host.Log(ErrorLine(rc));
      return result::kDecryptFailed;
    }
    host.Log(kSucceeded);
    return result::kOk;
  } catch (const std::bad_alloc&) {
    throw;  // reads as out of memory anywhere else in the run
  } catch (...) {
    // A cipher that threw, on whichever thread.
    try {
      host.Log(kException);
    } catch (...) {
    }
    return result::kDecryptFailed;
  }
}

std::int32_t DecryptResponse(ResponseBuffer& buffer, const std::string& userKey, Cipher& cipher,
                             Threads& threads, HostReporter& host) {
  ResponseDecryption decryption(userKey, cipher, threads);
  return FinishResponseDecryption(decryption, buffer, host);
}

std::int32_t DecryptImportFile(ExportFile& exportFile, double stamp, const std::string& userKey,
                               FileChooser& chooser, Cipher& cipher, Threads& threads,
                               FileSystem& files, HostReporter& host) {
  const std::optional<std::string> importFile = chooser.ChooseFile(kChooserTitle);
  if (!importFile) return result::kCancelled;
  host.Log("Entschlüsseln der Datei ...");
  try {
    return DecryptImportOrThrow(exportFile, stamp, *importFile, userKey, cipher, threads, files,
                                host);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (...) {
    host.Log(kException);
    return result::kDecryptFailed;
  }
}

std::string ExportNotWrittenLine(const std::string& name) {
  return "Exportdatei konnte nicht geschrieben werden: " + name;
}

}  // namespace qalo
