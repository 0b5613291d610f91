#include "workflow/ResponseBuffer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/ResponseBytes.h"

namespace qalo {
namespace {

using test::Gather;
using test::Pattern;

void Append(ResponseBuffer& buffer, const std::string& bytes) {
  buffer.Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(ResponseBuffer, BlockSizeMustBeAPositiveMultipleOfEight) {
  EXPECT_THROW(ResponseBuffer(0), std::invalid_argument);
  EXPECT_THROW(ResponseBuffer(12), std::invalid_argument);
  EXPECT_EQ(ResponseBuffer().BlockSize(), 1u << 20);
}

TEST(ResponseBuffer, WritesOfEverySizeKeepTheBytesInOrder) {
  // Pieces smaller than, equal to and larger than a block, and ones that end
  // exactly on a block boundary.
  for (std::size_t piece : {1u, 5u, 16u, 17u, 64u}) {
    ResponseBuffer buffer(16);
    const std::string content = Pattern(1000, static_cast<unsigned>(piece));
    for (std::size_t at = 0; at < content.size(); at += piece)
      Append(buffer, content.substr(at, piece));
    EXPECT_EQ(buffer.Size(), content.size()) << piece;
    EXPECT_EQ(Gather(buffer), content) << piece;
    EXPECT_EQ(buffer.Head(200), content.substr(0, 200));
  }
}

TEST(ResponseBuffer, EveryBlockButTheLastIsFullAndNoneIsEmpty) {
  ResponseBuffer buffer(16);
  buffer.Write(nullptr, 0);
  EXPECT_EQ(buffer.BlockCount(), 0u);
  Append(buffer, Pattern(40));
  ASSERT_EQ(buffer.BlockCount(), 3u);
  EXPECT_EQ(buffer.BlockAt(1).size, 16u);
  EXPECT_EQ(buffer.BlockAt(2).size, 8u);
  Append(buffer, Pattern(8));
  EXPECT_EQ(buffer.BlockCount(), 3u);
  EXPECT_EQ(buffer.BlockAt(2).size, 16u);
  Append(buffer, "x");
  EXPECT_EQ(buffer.BlockAt(3).size, 1u);
  EXPECT_THROW(buffer.BlockAt(4), std::out_of_range);
}

TEST(ResponseBuffer, HeadStopsAtTheEnd) {
  ResponseBuffer buffer(16);
  EXPECT_EQ(buffer.Head(200), "");
  Append(buffer, Pattern(30));
  EXPECT_EQ(buffer.Head(1000), Pattern(30));
  EXPECT_EQ(buffer.Head(0), "");
}

TEST(ResponseBuffer, AssignReplacesAndClearEmpties) {
  ResponseBuffer buffer(16);
  Append(buffer, Pattern(100));
  buffer.Assign("<XML>ticket</XML>");
  EXPECT_EQ(buffer.Size(), 17u);
  EXPECT_EQ(Gather(buffer), "<XML>ticket</XML>");
  buffer.Clear();
  EXPECT_EQ(buffer.Size(), 0u);
  EXPECT_EQ(buffer.BlockCount(), 0u);
  Append(buffer, "ab");
  EXPECT_EQ(Gather(buffer), "ab");
}

TEST(ResponseBuffer, DownloadSizedChunksInMegabyteBlocks) {
  ResponseBuffer buffer;
  const std::string chunk = Pattern(65535);  // the download's read size
  for (int i = 0; i < 80; ++i) Append(buffer, chunk);
  EXPECT_EQ(buffer.Size(), 80u * 65535u);
  EXPECT_EQ(buffer.BlockCount(), 5u);
  EXPECT_EQ(static_cast<char>(buffer.BlockAt(1).data[0]), chunk[(1u << 20) % 65535]);
}

}  // namespace
}  // namespace qalo
