#pragma once
#include <cstddef>
#include <cstdint>

namespace qalo {

// Where a download puts the response body: bytes are only ever appended.
class TargetStream {
 public:
  virtual ~TargetStream() = default;
  // Appends n bytes. False when the target has failed and takes no more:
  // the download then ends at once. Throws std::bad_alloc when the stream
  // cannot grow.
  virtual bool Write(const std::uint8_t* data, std::size_t n) = 0;
  virtual std::uint64_t Size() const = 0;
};

}  // namespace qalo
