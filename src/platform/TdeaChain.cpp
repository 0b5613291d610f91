#include "platform/TdeaChain.h"

#include <cstring>

namespace qalo {

TdeaChain::TdeaChain(Cipher& cipher, const std::uint8_t* key, std::int32_t direction,
                     const std::uint8_t* iv)
    : cipher_(cipher), key_(key), direction_(direction) {
  std::memcpy(iv_, iv, kBlock);
}

std::int32_t TdeaChain::Next(std::uint8_t* out, const std::uint8_t* in, std::int32_t n) {
  // The ciphertext is the input when decrypting, the output when encrypting;
  // the input's last block is taken before the call may overwrite it.
  std::uint8_t callIv[kBlock], nextIv[kBlock];
  std::memcpy(callIv, iv_, kBlock);
  const bool chains = n >= kBlock;
  if (chains && direction_ == 0) std::memcpy(nextIv, in + n - kBlock, kBlock);
  const std::int32_t rc = cipher_.TDEA_BytesMode(out, in, n, key_, direction_, "CBC", callIv);
  if (rc != 0 || !chains) return rc;
  std::memcpy(iv_, direction_ == 0 ? nextIv : out + n - kBlock, kBlock);
  return rc;
}

}  // namespace qalo
