#include "platform/TdeaCipher.h"

#include <vector>

#include "platform/CipherErrors.h"
#include "platform/SecureWipe.h"

namespace qalo {
namespace {

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

}  // namespace

std::int32_t TdeaCipher::TDEA_BytesMode(std::uint8_t* out, const std::uint8_t* in,
                                        std::int32_t n, const std::uint8_t* key,
                                        std::int32_t direction, const char* mode,
                                        const std::uint8_t* iv) {
  if (const std::int32_t rc = CheckCall(key, direction, mode, iv)) return rc;
  if (n < 0 || n % kTdeaBlock != 0) return cipher_error::kBadLength;
  if (n == 0) return 0;
  if (!out || !in) return cipher_error::kNullArgument;
  return Transform(out, in, n, key, direction == 1, iv);
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
