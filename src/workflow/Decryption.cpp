#include "workflow/Decryption.h"

#include <cstring>
#include <optional>
#include <stdexcept>

#include "platform/TemporaryFile.h"
#include "workflow/ResultCodes.h"
#include "workflow/ExportFile.h"

namespace qalo {
namespace {

constexpr std::int32_t kDecrypt = 0;
const char kChooserTitle[] = "QALO - Importfile auswählen ...";
const char kSucceeded[] = "... erfolgreich dechiffriert!";
const char kException[] = "... mit Exception ABGEBROCHEN !!";
const char kInvalidKey[] =
    "... Schlüssel (UserKey) ungültig: höchstens 48 Hexadezimalziffern (0-9, a-f) erlaubt!";
const char kExportNotCreated[] = "... Exportdatei konnte nicht angelegt werden!";

std::string ErrorLine(std::int32_t rc) { return "... meldet Fehler # " + std::to_string(rc); }

// The key, or a log line and nullopt; the key itself is never logged.
std::optional<KeyBytes> KeyOrLog(const std::string& userKey, HostReporter& host) {
  std::optional<KeyBytes> key = ConvertKey(userKey);
  if (!key) host.Log(kInvalidKey);
  return key;
}

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

std::int32_t DecryptFileOrThrow(const std::string& exportFileName, const std::string& importFile,
                                const KeyBytes& key, Cipher& cipher, FileSystem& files,
                                HostReporter& host) {
  TemporaryFile temporary(TemporaryExportName(exportFileName), [&files](const std::string& name) {
    if (files.FileExists(name)) files.Remove(name);
  });
  const KeyBytes iv = HexToBytes(kIvText);
  std::int32_t rc;
  try {
    rc = cipher.TDEA_File(temporary.Path(), importFile, key.data(), kDecrypt, "CBC", iv.data());
  } catch (...) {
    host.Log(kException);
    return result::kDecryptFailed;
  }
  if (rc != 0) {
    host.Log(ErrorLine(rc));
    return result::kDecryptFailed;
  }
  if (!files.MoveReplace(temporary.Path(), exportFileName)) {
    host.Log(kExportNotCreated);
    return result::kDecryptFailed;
  }
  temporary.Commit();
  host.Log(kSucceeded);
  return result::kOk;
}

}  // namespace

ResponseDecryption::ResponseDecryption(const std::string& userKey, Cipher& cipher)
    : cipher_(cipher), key_(ConvertKey(userKey)), iv_(HexToBytes(kIvText)) {}

void ResponseDecryption::Advance(ResponseBuffer& buffer) noexcept {
  if (!key_ || failure_ != 0 || threw_ || buffer.BlockCount() < 2) return;
  try {
    failure_ = DecryptUpTo(buffer, buffer.BlockCount() - 1);
  } catch (...) {
    threw_ = true;
  }
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

std::int32_t ResponseDecryption::FinishOrThrow(ResponseBuffer& buffer, HostReporter& host) {
  host.Log("Entschlüsseln der Daten ...");
  host.Log("Dateilänge: " + std::to_string(buffer.Size()) + " Bytes");
  if (!key_) {
    host.Log(kInvalidKey);
    return result::kDecryptFailed;
  }
  // The length is judged first, as if nothing had been decrypted yet: the
  // odd tail lies in the last block, which Advance never touches.
  std::int32_t rc = 0;
  if (buffer.Size() % TdeaChain::kBlock != 0) {
    rc = RefuseLength(buffer, *key_, cipher_, iv_);
  } else {
    if (threw_) throw std::runtime_error("decryption failed during the download");
    rc = failure_ != 0 ? failure_ : DecryptUpTo(buffer, buffer.BlockCount());
  }
  if (rc != 0) {
    host.Log(ErrorLine(rc));
    return result::kDecryptFailed;
  }
  host.Log(kSucceeded);
  return result::kOk;
}

std::int32_t ResponseDecryption::Finish(ResponseBuffer& buffer, HostReporter& host) noexcept {
  try {
    return FinishOrThrow(buffer, host);
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
  try {
    ResponseDecryption decryption(userKey, cipher);
    return decryption.Finish(buffer, host);
  } catch (...) {
    host.Log(kException);
    return result::kDecryptFailed;
  }
}

std::int32_t DecryptImportFile(const std::string& exportFileName, const std::string& userKey,
                               FileChooser& chooser, Cipher& cipher, FileSystem& files,
                               HostReporter& host) {
  try {
    const std::optional<std::string> importFile = chooser.ChooseFile(kChooserTitle);
    if (!importFile) return result::kCancelled;
    host.Log("Entschlüsseln der Datei ...");
    const std::optional<KeyBytes> key = KeyOrLog(userKey, host);
    if (!key) return result::kDecryptFailed;
    return DecryptFileOrThrow(exportFileName, *importFile, *key, cipher, files, host);
  } catch (const WindowUnavailable&) {
    throw;  // the run's failure, not the decryption's
  } catch (...) {
    host.Log(kException);
    return result::kDecryptFailed;
  }
}

}  // namespace qalo
