#include "workflow/ResponseBuffer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace qalo {

ResponseBuffer::ResponseBuffer(std::size_t blockSize) : blockSize_(blockSize) {
  if (blockSize == 0 || blockSize % 8 != 0)
    throw std::invalid_argument("block size must be a positive multiple of 8");
}

void ResponseBuffer::Write(const std::uint8_t* data, std::size_t n) {
  while (n > 0) {
    std::size_t used = static_cast<std::size_t>(size_ % blockSize_);
    if (used == 0) {
      // Owned before the index may grow, so a failure there frees it again.
      std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[blockSize_]);
      blocks_.push_back(std::move(block));
    }
    const std::size_t take = std::min(n, blockSize_ - used);
    std::memcpy(blocks_.back().get() + used, data, take);
    size_ += take;
    data += take;
    n -= take;
  }
}

void ResponseBuffer::Clear() noexcept {
  blocks_.clear();
  blocks_.shrink_to_fit();
  size_ = 0;
}

void ResponseBuffer::Release(std::size_t index) noexcept {
  if (index < blocks_.size()) blocks_[index].reset();
}

void ResponseBuffer::Assign(const std::string& bytes) {
  Clear();
  Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

ResponseBuffer::Block ResponseBuffer::BlockAt(std::size_t index) const {
  const bool last = index + 1 == blocks_.size();
  const std::size_t tail = static_cast<std::size_t>(size_ % blockSize_);
  return {blocks_.at(index).get(), last && tail != 0 ? tail : blockSize_};
}

std::string ResponseBuffer::Head(std::size_t n) const {
  std::string head;
  for (std::size_t i = 0; i < blocks_.size() && head.size() < n; ++i) {
    const Block block = BlockAt(i);
    head.append(reinterpret_cast<const char*>(block.data),
                std::min(block.size, n - head.size()));
  }
  return head;
}

}  // namespace qalo
