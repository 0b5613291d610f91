#pragma once
// TDEA-CBC and random bytes from OpenSSL's libcrypto (EVP des-ede3-cbc with
// padding off, RAND_bytes), for the native build.
#include "platform/TdeaCipher.h"

namespace qalo {

class OpenSslCipher : public TdeaCipher {
 protected:
  std::int32_t Transform(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                         const std::uint8_t* key, bool encrypt, const std::uint8_t* iv) override;
  bool FillRandom(std::uint8_t* out, std::size_t n) override;
};

}  // namespace qalo
