#pragma once
// What the system ciphers share: the argument checks of both calls, and
// RNG_KeyHex as hexadecimal text over the platform's random bytes. A
// platform adds one TDEA-CBC call and one random source.
#include <cstddef>
#include <cstdint>

#include "platform/Cipher.h"

namespace qalo {

class TdeaCipher : public Cipher {
 public:
  // Checked arguments: direction 0 decrypts, 1 encrypts; mode "CBC" in any
  // letter case; n a non-negative multiple of 8. No padding is added or
  // removed.
  std::int32_t TDEA_BytesMode(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                              const std::uint8_t* key, std::int32_t direction, const char* mode,
                              const std::uint8_t* iv) override;

  // 2 * nBytes lower-case hex digits and a zero; maxChars must leave room
  // for them. The seed adds nothing: the bytes come from the system's
  // generator. On failure out (when given) holds an empty text.
  std::int32_t RNG_KeyHex(char* out, std::int32_t maxChars, std::int32_t nBytes,
                          const char* seed, std::int32_t seedLen) override;

 protected:
  // TDEA-CBC over n bytes (a multiple of 8, arguments checked) with a
  // private copy of the IV; 0 or an error number.
  virtual std::int32_t Transform(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                                 const std::uint8_t* key, bool encrypt,
                                 const std::uint8_t* iv) = 0;
  // n bytes from the system's cryptographic generator; false on failure.
  virtual bool FillRandom(std::uint8_t* out, std::size_t n) = 0;
};

}  // namespace qalo
