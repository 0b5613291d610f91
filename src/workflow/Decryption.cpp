#include "workflow/Decryption.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "platform/CipherErrors.h"
#include "workflow/ResultCodes.h"
#include "workflow/StreamedExport.h"

namespace qalo {
namespace {

constexpr std::int32_t kDecrypt = 0;
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
  return cipher.TDEA_BytesMode(out, in, tail, key.data(), kDecrypt, "CBC", iv.data());
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
  if (!key_ || failure_ != 0 || threw_) return false;
  if (buffer.BlockCount() < 2) return true;
  bool ok = false;
  try {
    workers_.Start(buffer.BlockSize());
    Hand(buffer, buffer.BlockCount() - 1);
    // The calling thread's share between reads: what no worker is free for.
    ok = Collect(SIZE_MAX);
    while (ok && workers_.DecryptWaiting()) ok = Collect(SIZE_MAX);
    ok = ok && Collect(workers_.Capacity() - 1);
  } catch (...) {
    threw_ = true;
  }
  if (!ok) workers_.Stop();
  return ok;
}

void ResponseDecryption::Hand(ResponseBuffer& buffer, std::size_t end) {
  for (; handed_ < end; ++handed_) {
    const ResponseBuffer::Block block = buffer.BlockAt(handed_);
    // Each block's IV is taken here, never from what the cipher left in an
    // IV buffer (Wine's CNG leaves it as it was); the next one before a
    // worker may decrypt this block in place.
    std::array<std::uint8_t, kTdeaBlock> next;
    std::memcpy(next.data(), block.data + block.size - kTdeaBlock, kTdeaBlock);
    workers_.Add({block.data, block.size, nextIv_});
    nextIv_ = next;
  }
}

bool ResponseDecryption::Collect(std::size_t keep) {
  for (;;) {
    const std::optional<DecryptionWorkers::Outcome> outcome =
        workers_.TakeOldest(workers_.InFlight() > keep);
    if (!outcome) return true;
    if (!outcome->threw && outcome->rc == 0) {
      ++decrypted_;
      continue;
    }
    threw_ = outcome->threw;
    failure_ = outcome->rc;
    workers_.Stop();
    return false;
  }
}

std::int32_t ResponseDecryption::Complete(ResponseBuffer& buffer) {
  const std::int32_t rc = FinishBlocks(buffer);
  workers_.Stop();
  if (threw_) throw std::runtime_error("decryption failed");
  return rc;
}

std::int32_t ResponseDecryption::FinishBlocks(ResponseBuffer& buffer) noexcept {
  try {
    // The blocks in flight first: Advance has begun on them already.
    if (failure_ != 0 || threw_ || !Collect(0)) return failure_;
    // The odd tail lies in the last block, which Advance never hands on:
    // the length is judged as if nothing had been decrypted yet.
    if (buffer.Size() % kTdeaBlock != 0) return RefuseLength(buffer, *key_, cipher_, iv_);
    if (buffer.BlockCount() - handed_ > 1) workers_.Start(buffer.BlockSize());
    Hand(buffer, buffer.BlockCount());
    Collect(0);
  } catch (...) {
    threw_ = true;
  }
  return failure_;
}

std::int32_t FinishResponseDecryption(ResponseDecryption& decryption, ResponseBuffer& buffer,
                                      HostReporter& host) noexcept {
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
  } catch (...) {
    // Out of memory for the block copy, or a cipher that threw.
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
  } catch (...) {
    host.Log(kException);
    return result::kDecryptFailed;
  }
}

std::string ExportNotWrittenLine(const std::string& name) {
  return "Exportdatei konnte nicht geschrieben werden: " + name;
}

}  // namespace qalo
