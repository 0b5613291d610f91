#pragma once
// The error numbers the system ciphers (SystemCipher.h) return, and the
// import-file mode for its file; 0 is success.
#include <cstdint>

namespace qalo::cipher_error {

constexpr std::int32_t kNullArgument = 1;      // a required pointer is null
constexpr std::int32_t kBadLength = 2;         // negative, or not a multiple of 8
constexpr std::int32_t kBadMode = 3;           // mode other than "CBC", direction not 0/1
constexpr std::int32_t kBadKeyLength = 4;      // RNG_KeyHex: counts negative or not fitting
constexpr std::int32_t kCryptoFailed = 5;      // the platform's cipher refused or failed
constexpr std::int32_t kRandomFailed = 6;      // the platform's generator failed
constexpr std::int32_t kInputFileOpen = 7;     // the import file cannot be opened
constexpr std::int32_t kFileRead = 9;          // reading the import file failed

}  // namespace qalo::cipher_error
