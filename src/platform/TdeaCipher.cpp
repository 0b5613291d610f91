#include "platform/TdeaCipher.h"

#include <cstdio>
#include <vector>

#include "platform/CipherErrors.h"
#include "platform/SecureWipe.h"
#include "platform/TdeaChain.h"
#include "platform/TemporaryFile.h"
#include "platform/UniqueHandle.h"

namespace qalo {
namespace {

using UniqueFile = UniqueAny<std::FILE*, &std::fclose>;

bool IsCbc(const char* mode) {
  return mode && (mode[0] | 0x20) == 'c' && (mode[1] | 0x20) == 'b' && (mode[2] | 0x20) == 'c' &&
         mode[3] == '\0';
}

std::int32_t CheckCall(const std::uint8_t* key, std::int32_t direction, const char* mode,
                       const std::uint8_t* iv) {
  if (!key || !iv || !mode) return cipher_error::kNullArgument;
  if (!IsCbc(mode) || (direction != 0 && direction != 1)) return cipher_error::kBadMode;
  return 0;
}

// Reads in to its end, passing each chunk through the chain into out.
std::int32_t StreamFile(std::FILE* in, std::FILE* out, TdeaChain& chain) {
  std::vector<std::uint8_t> plain(TdeaCipher::kFileChunk), result(TdeaCipher::kFileChunk);
  for (;;) {
    const std::size_t got = std::fread(plain.data(), 1, plain.size(), in);
    if (got < plain.size() && std::ferror(in)) return cipher_error::kFileRead;
    if (got % TdeaChain::kBlock != 0) return cipher_error::kBadLength;
    if (got == 0) return 0;
    const std::int32_t rc =
        chain.Next(result.data(), plain.data(), static_cast<std::int32_t>(got));
    if (rc != 0) return rc;
    if (std::fwrite(result.data(), 1, got, out) != got) return cipher_error::kFileWrite;
    if (got < plain.size()) return 0;
  }
}

}  // namespace

std::int32_t TdeaCipher::TDEA_BytesMode(std::uint8_t* out, const std::uint8_t* in,
                                        std::int32_t n, const std::uint8_t* key,
                                        std::int32_t direction, const char* mode,
                                        const std::uint8_t* iv) {
  if (const std::int32_t rc = CheckCall(key, direction, mode, iv)) return rc;
  if (n < 0 || n % TdeaChain::kBlock != 0) return cipher_error::kBadLength;
  if (n == 0) return 0;
  if (!out || !in) return cipher_error::kNullArgument;
  return Transform(out, in, n, key, direction == 1, iv);
}

std::int32_t TdeaCipher::TDEA_File(const std::string& outFile, const std::string& inFile,
                                   const std::uint8_t* key, std::int32_t direction,
                                   const char* mode, const std::uint8_t* iv) {
  if (const std::int32_t rc = CheckCall(key, direction, mode, iv)) return rc;
  UniqueFile in(std::fopen(inFile.c_str(), "rb"));
  if (!in) return cipher_error::kInputFileOpen;
  UniqueFile out(std::fopen(outFile.c_str(), "wb"));
  if (!out) return cipher_error::kOutputFileCreate;
  // Closed before it is removed: Windows removes no open file.
  TemporaryFile output(outFile, [&out](const std::string& name) {
    out.reset();
    std::remove(name.c_str());
  });

  TdeaChain chain(*this, key, direction, iv);
  std::int32_t rc = StreamFile(in.get(), out.get(), chain);
  if (std::fclose(out.release()) != 0 && rc == 0) rc = cipher_error::kFileWrite;
  if (rc == 0) output.Commit();
  return rc;
}

std::int32_t TdeaCipher::RNG_KeyHex(char* out, std::int32_t maxChars, std::int32_t nBytes,
                                    const char*, std::int32_t) {
  if (!out) return cipher_error::kNullArgument;
  if (maxChars < 0) return cipher_error::kBadKeyLength;
  out[0] = '\0';
  if (nBytes < 0 || nBytes > maxChars / 2) return cipher_error::kBadKeyLength;

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(nBytes));
  if (!FillRandom(bytes.data(), bytes.size())) return cipher_error::kRandomFailed;
  static const char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out[2 * i] = kDigits[bytes[i] >> 4];
    out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  out[2 * bytes.size()] = '\0';
  SecureWipe(bytes.data(), bytes.size());
  return 0;
}

}  // namespace qalo
