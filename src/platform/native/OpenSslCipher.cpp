#include "platform/native/OpenSslCipher.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>

#include "platform/CipherErrors.h"
#include "platform/SystemCipher.h"
#include "platform/UniqueHandle.h"

namespace qalo {
namespace {

using UniqueCipherContext = UniqueAny<EVP_CIPHER_CTX*, &EVP_CIPHER_CTX_free>;

}  // namespace

std::int32_t OpenSslCipher::Transform(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                                      const std::uint8_t* key, bool encrypt,
                                      const std::uint8_t* iv) {
  UniqueCipherContext context(EVP_CIPHER_CTX_new());
  int written = 0, finalWritten = 0;
  // The context copies key and IV; freeing it clears the key schedule.
  const bool ok =
      context &&
      EVP_CipherInit_ex(context.get(), EVP_des_ede3_cbc(), nullptr, key, iv, encrypt ? 1 : 0) ==
          1 &&
      EVP_CIPHER_CTX_set_padding(context.get(), 0) == 1 &&
      EVP_CipherUpdate(context.get(), out, &written, in, n) == 1 &&
      EVP_CipherFinal_ex(context.get(), out + written, &finalWritten) == 1 &&
      written + finalWritten == n;
  return ok ? 0 : cipher_error::kCryptoFailed;
}

bool OpenSslCipher::FillRandom(std::uint8_t* out, std::size_t n) {
  return n <= INT_MAX && RAND_bytes(out, static_cast<int>(n)) == 1;
}

std::unique_ptr<Cipher> MakeSystemCipher() { return std::make_unique<OpenSslCipher>(); }

}  // namespace qalo
