#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#ifdef _WIN32
#include <process.h>
#define QALO_TEST_PID _getpid()
#else
#include <unistd.h>
#define QALO_TEST_PID getpid()
#endif

namespace qalo::test {

// The folder tests/data of the source tree, found from this header's own
// path, so that it works in every test program and under Wine (which maps
// the Unix root to drive Z:).
inline std::string TestDataPath(const std::string& name) {
  const std::string header = __FILE__;
  return header.substr(0, header.rfind("support")) + "data/" + name;
}

// A path in the temporary folder that no other test, and no other run of
// the same test, uses at the same time.
inline std::string UniqueTempPath(const std::string& name) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return ::testing::TempDir() + "qalo_" + std::to_string(QALO_TEST_PID) + "_" +
         (test ? test->name() : "") + "_" + name;
}

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace qalo::test
