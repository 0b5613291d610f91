#pragma once
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Cipher.h"
#include "support/FaultPlan.h"

namespace qalo::test {

// Records every call. TDEA_BytesMode writes each input byte inverted, so a
// test sees where the output went. A call that faults makes fail (the name
// "TDEA_BytesMode") returns failureResult, or throws std::runtime_error (a
// cipher that throws, not out of memory) when failuresThrow; the others
// bytesResult judges, by default refusing what TDEA-CBC cannot take. Calls
// from several threads are recorded one at a time, and bytesResult hears
// each with its record last in bytesCalls.
class FakeCipher : public Cipher {
 public:
  struct BytesCall {
    std::vector<std::uint8_t> in;
    std::vector<std::uint8_t> key, iv;
    std::int32_t direction;
    std::string mode;
  };
  struct KeyHexCall {
    std::int32_t maxChars, nBytes;
    std::string seed;
    std::int32_t seedLen;
  };

  std::int32_t TDEA_BytesMode(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                              const std::uint8_t* key, std::int32_t direction, const char* mode,
                              const std::uint8_t* iv) override {
    std::unique_lock<std::mutex> lock(bytesLock_.mutex);
    bytesCalls.push_back({{in, in + n}, {key, key + 24}, {iv, iv + 8}, direction, mode});
    const bool fails = faults.Call("TDEA_BytesMode");
    if (fails && failuresThrow) throw std::runtime_error("cipher threw");
    const std::int32_t rc = fails ? failureResult : bytesResult(n);
    lock.unlock();
    if (rc == 0)
      for (std::int32_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(~in[i]);
    return rc;
  }

  // Copies keyHex byte for byte into out (its terminator is part of it, or
  // missing when a test leaves it out) and returns keyHexResult.
  std::int32_t RNG_KeyHex(char* out, std::int32_t maxChars, std::int32_t nBytes, const char* seed,
                          std::int32_t seedLen) override {
    keyHexCalls.push_back({maxChars, nBytes, seed, seedLen});
    std::memcpy(out, keyHex.data(), keyHex.size());
    return keyHexResult;
  }

  std::function<std::int32_t(std::int32_t n)> bytesResult = [](std::int32_t n) {
    return n % 8 == 0 ? 0 : 77;
  };
  FaultPlan faults;
  std::int32_t failureResult = 4711;
  bool failuresThrow = false;

  std::string keyHex = std::string("0123456789abcdefABCDEF0123456789abcdef0123456789", 49);
  std::int32_t keyHexResult = 0;

  std::vector<BytesCall> bytesCalls;
  std::vector<KeyHexCall> keyHexCalls;

 private:
  // A copy of the fake gets a lock of its own.
  struct Lock {
    Lock() = default;
    Lock(const Lock&) {}
    Lock& operator=(const Lock&) { return *this; }
    std::mutex mutex;
  } bytesLock_;
};

// What the fake cipher makes of bytes: each one inverted.
inline std::string Inverted(std::string bytes) {
  for (char& c : bytes) c = static_cast<char>(~c);
  return bytes;
}

}  // namespace qalo::test
