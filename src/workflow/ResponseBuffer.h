#pragma once
// The response body of one retrieval, held in fixed-size blocks rather than
// one contiguous array: growth is linear, nothing is copied twice, and a
// body of a gigabyte fits a 32-bit process whose address space is
// fragmented.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qalo {

class ResponseBuffer {
 public:
  static constexpr std::size_t kDefaultBlockSize = std::size_t{1} << 20;

  // One contiguous run of bytes of the buffer; valid until the buffer
  // changes.
  struct Block {
    std::uint8_t* data;
    std::size_t size;
  };

  // blockSize must be a positive multiple of 8, so that no 8-byte cipher
  // block straddles two blocks; std::invalid_argument otherwise.
  explicit ResponseBuffer(std::size_t blockSize = kDefaultBlockSize);

  // Appends n bytes. Throws std::bad_alloc when no further block can be
  // had; what was held before stays intact, a front part of data may have
  // been appended.
  void Write(const std::uint8_t* data, std::size_t n);
  std::uint64_t Size() const { return size_; }

  // Releases every block.
  void Clear() noexcept;
  // Frees the memory of one block whose bytes went elsewhere (to a file);
  // Size and BlockCount stay, and BlockAt(index) must not be used again.
  void Release(std::size_t index) noexcept;
  // The content replaced by bytes (the ticket document).
  void Assign(const std::string& bytes);

  std::size_t BlockSize() const { return blockSize_; }
  // Blocks in order; every block but the last is full, none is empty (none
  // has data after Release).
  std::size_t BlockCount() const { return blocks_.size(); }
  Block BlockAt(std::size_t index) const;

  // The first min(n, Size()) bytes, e.g. to classify the response.
  std::string Head(std::size_t n) const;

 private:
  std::size_t blockSize_;
  std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
  std::uint64_t size_ = 0;
};

}  // namespace qalo
