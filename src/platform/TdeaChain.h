#pragma once
// CBC over a message that arrives in pieces: each piece is handed to the
// cipher with the IV that continues the chain, the last ciphertext block of
// the piece before. The IV buffer a platform cipher was given is never
// trusted to carry the chain on (Wine's CNG does not update it; Windows
// does).
#include <cstdint>

#include "platform/Cipher.h"

namespace qalo {

class TdeaChain {
 public:
  static constexpr int kBlock = 8;

  // key (24 bytes) and iv (8 bytes) are read here; the key must outlive the
  // chain.
  TdeaChain(Cipher& cipher, const std::uint8_t* key, std::int32_t direction,
            const std::uint8_t* iv);

  // The next n bytes of the message from in to out (separate buffers, n a
  // multiple of 8 except for a last piece the cipher then refuses). The
  // cipher's result; after a failure the chain must not be continued.
  std::int32_t Next(std::uint8_t* out, const std::uint8_t* in, std::int32_t n);

 private:
  Cipher& cipher_;
  const std::uint8_t* key_;
  std::int32_t direction_;
  std::uint8_t iv_[kBlock];
};

}  // namespace qalo
