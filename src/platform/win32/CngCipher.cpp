#include "platform/win32/CngCipher.h"

#include <climits>
#include <cstring>
#include <vector>

#include "platform/CipherErrors.h"
#include "platform/SystemCipher.h"

namespace qalo {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

CngCipher::CngCipher() {
  UniqueAlgorithm algorithm;
  if (!Succeeded(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_3DES_ALGORITHM, nullptr, 0)))
    return;
  wchar_t chainMode[] = BCRYPT_CHAIN_MODE_CBC;
  DWORD objectSize = 0, got = 0;
  if (!Succeeded(BCryptSetProperty(algorithm.get(), BCRYPT_CHAINING_MODE,
                                   reinterpret_cast<PUCHAR>(chainMode), sizeof chainMode, 0)) ||
      !Succeeded(BCryptGetProperty(algorithm.get(), BCRYPT_OBJECT_LENGTH,
                                   reinterpret_cast<PUCHAR>(&objectSize), sizeof objectSize,
                                   &got, 0)))
    return;
  algorithm_ = std::move(algorithm);
  keyObjectSize_ = objectSize;
}

std::int32_t CngCipher::Transform(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                                  const std::uint8_t* key, bool encrypt,
                                  const std::uint8_t* iv) {
  if (!algorithm_) return cipher_error::kCryptoFailed;
  // The key object holds the key schedule: wiped before it is freed, after
  // the key handle that uses it is destroyed.
  std::vector<UCHAR> keyObject(keyObjectSize_);
  struct Wipe {
    std::vector<UCHAR>& bytes;
    ~Wipe() { SecureZeroMemory(bytes.data(), bytes.size()); }
  } wipeKeyObject{keyObject};

  UniqueKey keyHandle;
  if (!Succeeded(BCryptGenerateSymmetricKey(algorithm_.get(), keyHandle.put(), keyObject.data(),
                                            keyObjectSize_, const_cast<PUCHAR>(key), 24, 0)))
    return cipher_error::kCryptoFailed;

  // CNG overwrites the IV it is given; the caller's stays untouched.
  UCHAR ivCopy[8];
  std::memcpy(ivCopy, iv, sizeof ivCopy);
  ULONG written = 0;
  const auto length = static_cast<ULONG>(n);
  PUCHAR input = const_cast<PUCHAR>(in);
  const NTSTATUS status =
      encrypt ? BCryptEncrypt(keyHandle.get(), input, length, nullptr, ivCopy, sizeof ivCopy, out,
                              length, &written, 0)
              : BCryptDecrypt(keyHandle.get(), input, length, nullptr, ivCopy, sizeof ivCopy, out,
                              length, &written, 0);
  return Succeeded(status) && written == length ? 0 : cipher_error::kCryptoFailed;
}

bool CngCipher::FillRandom(std::uint8_t* out, std::size_t n) {
  return n <= ULONG_MAX &&
         Succeeded(BCryptGenRandom(nullptr, out, static_cast<ULONG>(n),
                                   BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

std::unique_ptr<Cipher> MakeSystemCipher() { return std::make_unique<CngCipher>(); }

}  // namespace qalo
