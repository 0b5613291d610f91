#pragma once
#include <cstdint>
#include <string>

namespace qalo {

// TDEA's block: CBC chains in steps of 8 bytes.
constexpr std::int32_t kTdeaBlock = 8;
// TDEA_BytesMode's direction that decrypts.
constexpr std::int32_t kTdeaDecrypt = 0;

// The functions of the vendor crypto library the plug-in was built against
// that it uses, with their contracts: 0 on success, a non-zero error number
// otherwise. Direction 0 decrypts; mode is "CBC"; key is 24 bytes
// (K1, K2, K3), iv 8 bytes. Calls may come from several threads at once,
// each on buffers of its own: no call depends on the one before.
class Cipher {
 public:
  virtual ~Cipher() = default;
  // TDEA over n bytes from in to out (separate buffers). No padding is
  // removed; n not a multiple of 8 is an error.
  virtual std::int32_t TDEA_BytesMode(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                                      const std::uint8_t* key, std::int32_t direction,
                                      const char* mode, const std::uint8_t* iv) = 0;
  // Writes maxChars hex digits for nBytes random bytes and a zero into out
  // (maxChars + 1 bytes at least).
  virtual std::int32_t RNG_KeyHex(char* out, std::int32_t maxChars, std::int32_t nBytes,
                                  const char* seed, std::int32_t seedLen) = 0;
};

}  // namespace qalo
