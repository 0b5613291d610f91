#pragma once
#include <fstream>
#include <iterator>
#include <string>

namespace qalo::test {

// The folder tests/data of the source tree, found from this header's own
// path, so that it works in every test program and under Wine (which maps
// the Unix root to drive Z:).
inline std::string TestDataPath(const std::string& name) {
  const std::string header = __FILE__;
  return header.substr(0, header.rfind("support")) + "data/" + name;
}

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace qalo::test
