#include "workflow/Decryption.h"

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
  const auto tail = static_cast<std::int32_t>(buffer.Size() % TdeaChain::kBlock);
  std::uint8_t in[TdeaChain::kBlock] = {}, out[TdeaChain::kBlock] = {};
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
                                  Cipher& cipher, FileSystem& files, HostReporter& host) {
  ResponseDecryption decryption(userKey, cipher);
  if (!decryption.KeyValid()) {
    host.Log(kInvalidKey);
    return result::kDecryptFailed;
  }
  std::int32_t rc = cipher_error::kInputFileOpen;
  ResponseBuffer buffer;
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

ResponseDecryption::ResponseDecryption(const std::string& userKey, Cipher& cipher)
    : cipher_(cipher), key_(ConvertKey(userKey)), iv_(HexToBytes(kIvText)) {}

bool ResponseDecryption::Advance(ResponseBuffer& buffer) noexcept {
  if (!key_ || failure_ != 0 || threw_) return false;
  if (buffer.BlockCount() < 2) return true;
  try {
    failure_ = DecryptUpTo(buffer, buffer.BlockCount() - 1);
  } catch (...) {
    threw_ = true;
  }
  return failure_ == 0 && !threw_;
}

std::int32_t ResponseDecryption::DecryptUpTo(ResponseBuffer& buffer, std::size_t end) {
  if (!chain_) chain_.emplace(cipher_, key_->data(), kDecrypt, iv_.data());
  if (input_.empty() && end > decrypted_) input_.resize(buffer.BlockSize());
  for (; decrypted_ < end; ++decrypted_) {
    const ResponseBuffer::Block block = buffer.BlockAt(decrypted_);
    std::memcpy(input_.data(), block.data, block.size);
    const std::int32_t rc =
        chain_->Next(block.data, input_.data(), static_cast<std::int32_t>(block.size));
    if (rc != 0) return rc;
  }
  return 0;
}

std::int32_t ResponseDecryption::Complete(ResponseBuffer& buffer) {
  if (threw_) throw std::runtime_error("decryption failed while the data arrived");
  if (failure_ != 0) return failure_;
  // The odd tail lies in the last block, which Advance never touches: the
  // length is judged as if nothing had been decrypted yet.
  if (buffer.Size() % TdeaChain::kBlock != 0) return RefuseLength(buffer, *key_, cipher_, iv_);
  failure_ = DecryptUpTo(buffer, buffer.BlockCount());
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
                             HostReporter& host) {
  ResponseDecryption decryption(userKey, cipher);
  return FinishResponseDecryption(decryption, buffer, host);
}

std::int32_t DecryptImportFile(ExportFile& exportFile, double stamp, const std::string& userKey,
                               FileChooser& chooser, Cipher& cipher, FileSystem& files,
                               HostReporter& host) {
  const std::optional<std::string> importFile = chooser.ChooseFile(kChooserTitle);
  if (!importFile) return result::kCancelled;
  host.Log("Entschlüsseln der Datei ...");
  try {
    return DecryptImportOrThrow(exportFile, stamp, *importFile, userKey, cipher, files, host);
  } catch (...) {
    host.Log(kException);
    return result::kDecryptFailed;
  }
}

std::string ExportNotWrittenLine(const std::string& name) {
  return "Exportdatei konnte nicht geschrieben werden: " + name;
}

}  // namespace qalo
