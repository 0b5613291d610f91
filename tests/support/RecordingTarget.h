#pragma once
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "platform/TargetStream.h"

namespace qalo::test {

// A target stream in memory that can run out of memory, or refuse to take
// more, on a chosen write.
class RecordingTarget : public TargetStream {
 public:
  explicit RecordingTarget(std::vector<std::string>* journal = nullptr) : journal_(journal) {}

  bool Write(const std::uint8_t* data, std::size_t n) override {
    ++writes;
    if (journal_) journal_->push_back("Write(" + std::to_string(n) + ")");
    if (writes == throwAtWrite) throw std::bad_alloc();
    if (writes == refuseAtWrite) return false;
    bytes.append(reinterpret_cast<const char*>(data), n);
    return true;
  }
  std::uint64_t Size() const override { return bytes.size(); }

  int throwAtWrite = 0;   // 1-based; 0: never
  int refuseAtWrite = 0;  // 1-based; 0: never
  int writes = 0;
  std::string bytes;

 private:
  std::vector<std::string>* journal_;
};

}  // namespace qalo::test
