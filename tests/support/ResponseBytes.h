#pragma once
// Response bodies for tests: a byte pattern that differs at every offset
// within a block, one whose 8-byte units all differ, the whole content of a
// block buffer as one string, and the check that what reached the cipher
// was CBC over a body.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/FakeCipher.h"
#include "workflow/ResponseBuffer.h"

namespace qalo::test {

inline std::string Pattern(std::size_t n, unsigned seed = 1) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7) % 251);
  return s;
}

inline std::string Gather(const ResponseBuffer& buffer) {
  std::string all;
  for (std::size_t i = 0; i < buffer.BlockCount(); ++i)
    all.append(reinterpret_cast<const char*>(buffer.BlockAt(i).data), buffer.BlockAt(i).size);
  return all;
}

// A body whose 8-byte units all differ, so that a piece of it shows where
// it lies.
inline std::string DistinctUnits(std::size_t n, unsigned seed = 1) {
  std::string s(n, '\x5A');
  for (std::size_t i = 0; i + 8 <= n; i += 8) {
    std::uint64_t unit = (i / 8 + seed) * 0x9E3779B97F4A7C15ull;
    for (std::size_t b = 0; b < 8; ++b, unit >>= 8) s[i + b] = static_cast<char>(unit & 0xFF);
  }
  return s;
}

// Where the cipher's calls went wrong as CBC over body (a DistinctUnits
// body, decrypted with the fixed IV in blocks of blockSize), or "": pieces
// that lie side by side from the first byte to the last, each once, none
// across a block, each with the ciphertext block before it as IV.
inline std::string CbcPiecesProblem(const std::vector<FakeCipher::BytesCall>& calls,
                                    const std::string& body, std::size_t blockSize) {
  const std::string fixedIv = "\x58\x30\x26\x19\x47\x31\x60\x84";
  std::map<std::string, std::size_t> units;  // where each lies
  for (std::size_t at = 0; at + 8 <= body.size(); at += 8) units[body.substr(at, 8)] = at;
  std::map<std::size_t, std::size_t> pieces;  // offset -> length
  for (const auto& call : calls) {
    const std::string in(call.in.begin(), call.in.end()), iv(call.iv.begin(), call.iv.end());
    const auto unit = units.find(in.substr(0, 8));
    if (in.size() < 8 || unit == units.end()) return "a piece not of the body";
    const std::size_t at = unit->second;
    const std::string where = " at " + std::to_string(at);
    if (body.compare(at, in.size(), in) != 0) return "a piece not of the body" + where;
    if (iv != (at == 0 ? fixedIv : body.substr(at - 8, 8))) return "a wrong IV" + where;
    if (at / blockSize != (at + in.size() - 1) / blockSize) return "a piece across blocks" + where;
    if (!pieces.emplace(at, in.size()).second) return "a piece decrypted twice" + where;
  }
  std::size_t next = 0;
  for (const auto& [at, length] : pieces) {
    if (at != next) return "a gap or overlap at " + std::to_string(next);
    next = at + length;
  }
  return next == body.size() ? "" : "the end missing from " + std::to_string(next);
}

}  // namespace qalo::test
