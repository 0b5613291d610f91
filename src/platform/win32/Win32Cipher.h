#pragma once
// TDEA-CBC and random bytes from CNG (bcrypt): 3DES with the CBC chaining
// mode and no padding flag, BCryptGenRandom with the system's preferred
// generator.
#include <windows.h>

#include <bcrypt.h>

#include <memory>
#include <mutex>

#include "platform/TdeaCipher.h"
#include "platform/UniqueHandle.h"

namespace qalo {

// CNG handles, closed through the loaded library's functions.
struct AlgorithmTraits {
  decltype(&::BCryptCloseAlgorithmProvider) close = nullptr;
  static constexpr BCRYPT_ALG_HANDLE Empty() noexcept { return nullptr; }
  void Close(BCRYPT_ALG_HANDLE h) const noexcept { close(h, 0); }
};
using UniqueAlgorithm = UniqueHandle<BCRYPT_ALG_HANDLE, AlgorithmTraits>;

struct KeyTraits {
  decltype(&::BCryptDestroyKey) destroy = nullptr;
  static constexpr BCRYPT_KEY_HANDLE Empty() noexcept { return nullptr; }
  void Close(BCRYPT_KEY_HANDLE h) const noexcept { destroy(h); }
};
using UniqueKey = UniqueHandle<BCRYPT_KEY_HANDLE, KeyTraits>;

class Win32Cipher : public TdeaCipher {
 public:
  // Loads nothing yet: bcrypt.dll comes from the system folder at the first
  // call that needs it, and the 3DES provider is opened in CBC mode at the
  // first TDEA call; the provider stays until this object goes, the library
  // for the life of the process. When they cannot be
  // had, every TDEA call returns kCryptoFailed and every random call
  // kRandomFailed.
  Win32Cipher();
  ~Win32Cipher() override;

 protected:
  // A fresh key object per call: a reused CNG key carries its own chain on
  // from the call before, whatever IV it is given.
  std::int32_t Transform(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                         const std::uint8_t* key, bool encrypt, const std::uint8_t* iv) override;
  bool FillRandom(std::uint8_t* out, std::size_t n) override;

 private:
  struct Api;
  // The library and its functions, loaded once; null when they cannot be.
  // The decryption's threads call at once: the first calls load under a
  // lock, and what they loaded is only read after that.
  const Api* Library();
  const Api* LibraryLocked();
  // The open provider, null when it cannot be opened.
  BCRYPT_ALG_HANDLE Algorithm();

  std::mutex loading_;
  std::unique_ptr<Api> api_;
  UniqueAlgorithm algorithm_;  // closed before the library is freed
  DWORD keyObjectSize_ = 0;
};

}  // namespace qalo
