#include "platform/win32/Win32Cipher.h"

#include <climits>
#include <cstring>
#include <vector>

#include "platform/CipherErrors.h"
#include "platform/ScopeExit.h"
#include "platform/SystemCipher.h"
#include "platform/win32/SystemLibrary.h"

namespace qalo {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

struct Win32Cipher::Api {
  Api() {
    library.Find("BCryptOpenAlgorithmProvider", BCryptOpenAlgorithmProvider);
    library.Find("BCryptCloseAlgorithmProvider", BCryptCloseAlgorithmProvider);
    library.Find("BCryptSetProperty", BCryptSetProperty);
    library.Find("BCryptGetProperty", BCryptGetProperty);
    library.Find("BCryptGenerateSymmetricKey", BCryptGenerateSymmetricKey);
    library.Find("BCryptDestroyKey", BCryptDestroyKey);
    library.Find("BCryptEncrypt", BCryptEncrypt);
    library.Find("BCryptDecrypt", BCryptDecrypt);
    library.Find("BCryptGenRandom", BCryptGenRandom);
  }

  SystemLibrary library{"bcrypt.dll", SystemLibrary::Lifetime::Process};
  decltype(&::BCryptOpenAlgorithmProvider) BCryptOpenAlgorithmProvider;
  decltype(&::BCryptCloseAlgorithmProvider) BCryptCloseAlgorithmProvider;
  decltype(&::BCryptSetProperty) BCryptSetProperty;
  decltype(&::BCryptGetProperty) BCryptGetProperty;
  decltype(&::BCryptGenerateSymmetricKey) BCryptGenerateSymmetricKey;
  decltype(&::BCryptDestroyKey) BCryptDestroyKey;
  decltype(&::BCryptEncrypt) BCryptEncrypt;
  decltype(&::BCryptDecrypt) BCryptDecrypt;
  decltype(&::BCryptGenRandom) BCryptGenRandom;
};

Win32Cipher::Win32Cipher() = default;

Win32Cipher::~Win32Cipher() = default;

const Win32Cipher::Api* Win32Cipher::Library() {
  const std::lock_guard<std::mutex> lock(loading_);
  return LibraryLocked();
}

const Win32Cipher::Api* Win32Cipher::LibraryLocked() {
  if (!api_) api_ = std::make_unique<Api>();
  return api_->library.Usable() ? api_.get() : nullptr;
}

BCRYPT_ALG_HANDLE Win32Cipher::Algorithm() {
  const std::lock_guard<std::mutex> lock(loading_);
  if (algorithm_) return algorithm_.get();
  const Api* api = LibraryLocked();
  if (!api) return nullptr;
  UniqueAlgorithm algorithm(nullptr, {api->BCryptCloseAlgorithmProvider});
  if (!Succeeded(
          api->BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_3DES_ALGORITHM, nullptr, 0)))
    return nullptr;
  wchar_t chainMode[] = BCRYPT_CHAIN_MODE_CBC;
  DWORD objectSize = 0, got = 0;
  if (!Succeeded(api->BCryptSetProperty(algorithm.get(), BCRYPT_CHAINING_MODE,
                                        reinterpret_cast<PUCHAR>(chainMode), sizeof chainMode,
                                        0)) ||
      !Succeeded(api->BCryptGetProperty(algorithm.get(), BCRYPT_OBJECT_LENGTH,
                                        reinterpret_cast<PUCHAR>(&objectSize), sizeof objectSize,
                                        &got, 0)))
    return nullptr;
  algorithm_ = std::move(algorithm);
  keyObjectSize_ = objectSize;
  return algorithm_.get();
}

std::int32_t Win32Cipher::Transform(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                                     const std::uint8_t* key, bool encrypt,
                                     const std::uint8_t* iv) {
  const BCRYPT_ALG_HANDLE algorithm = Algorithm();
  if (!algorithm) return cipher_error::kCryptoFailed;
  const Api& api = *api_;
  // The key object holds the key schedule: wiped before it is freed, after
  // the key handle that uses it is destroyed.
  std::vector<UCHAR> keyObject(keyObjectSize_);
  const ScopeExit wipeKeyObject([&keyObject] { SecureZeroMemory(keyObject.data(), keyObject.size()); });

  UniqueKey keyHandle(nullptr, {api.BCryptDestroyKey});
  if (!Succeeded(api.BCryptGenerateSymmetricKey(algorithm, keyHandle.put(), keyObject.data(),
                                                keyObjectSize_, const_cast<PUCHAR>(key), 24, 0)))
    return cipher_error::kCryptoFailed;

  // CNG overwrites the IV it is given; the caller's stays untouched.
  UCHAR ivCopy[8];
  std::memcpy(ivCopy, iv, sizeof ivCopy);
  ULONG written = 0;
  const auto length = static_cast<ULONG>(n);
  PUCHAR input = const_cast<PUCHAR>(in);
  const NTSTATUS status =
      encrypt ? api.BCryptEncrypt(keyHandle.get(), input, length, nullptr, ivCopy, sizeof ivCopy,
                                  out, length, &written, 0)
              : api.BCryptDecrypt(keyHandle.get(), input, length, nullptr, ivCopy, sizeof ivCopy,
                                  out, length, &written, 0);
  return Succeeded(status) && written == length ? 0 : cipher_error::kCryptoFailed;
}

bool Win32Cipher::FillRandom(std::uint8_t* out, std::size_t n) {
  const Api* api = Library();
  return api && n <= ULONG_MAX &&
         Succeeded(api->BCryptGenRandom(nullptr, out, static_cast<ULONG>(n),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

std::unique_ptr<Cipher> MakeSystemCipher() { return std::make_unique<Win32Cipher>(); }

}  // namespace qalo
