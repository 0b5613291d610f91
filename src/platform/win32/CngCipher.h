#pragma once
// TDEA-CBC and random bytes from CNG (bcrypt): 3DES with the CBC chaining
// mode and no padding flag, BCryptGenRandom with the system's preferred
// generator.
#include <windows.h>

#include <bcrypt.h>

#include "platform/TdeaCipher.h"
#include "platform/UniqueHandle.h"

namespace qalo {

namespace detail {
inline void CloseAlgorithm(BCRYPT_ALG_HANDLE h) noexcept { BCryptCloseAlgorithmProvider(h, 0); }
}  // namespace detail

using UniqueAlgorithm = UniqueAny<BCRYPT_ALG_HANDLE, &detail::CloseAlgorithm>;
using UniqueKey = UniqueAny<BCRYPT_KEY_HANDLE, &BCryptDestroyKey>;

class CngCipher : public TdeaCipher {
 public:
  // Opens the 3DES provider in CBC mode; if that fails, every TDEA call
  // returns kCryptoFailed.
  CngCipher();

 protected:
  // A fresh key object per call: a reused CNG key carries its own chain on
  // from the call before, whatever IV it is given.
  std::int32_t Transform(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                         const std::uint8_t* key, bool encrypt, const std::uint8_t* iv) override;
  bool FillRandom(std::uint8_t* out, std::size_t n) override;

 private:
  UniqueAlgorithm algorithm_;
  DWORD keyObjectSize_ = 0;
};

}  // namespace qalo
