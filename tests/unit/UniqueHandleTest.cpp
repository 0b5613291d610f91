#include "platform/UniqueHandle.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/LastError.h"

namespace qalo {
namespace {

// A closer that fails the way a system call does: it sets the last error.
std::vector<int> closed;
void CloseFailing(int h) noexcept {
  closed.push_back(h);
  SetThreadLastError(6);
}
using Owner = UniqueAny<int, CloseFailing>;

// The caller reports the error of the call that failed; releasing what it
// held on the way out must not replace that error with the release's own.
TEST(UniqueHandle, ClosingKeepsTheLastErrorOnEveryWayOut) {
  closed.clear();
  {
    Owner a(1), b(2);
    SetThreadLastError(1234);
    a.reset(3);
    EXPECT_EQ(ThreadLastError(), 1234u);
    b = Owner(4);
    EXPECT_EQ(ThreadLastError(), 1234u);
    SetThreadLastError(5678);
  }
  EXPECT_EQ(ThreadLastError(), 5678u);
  EXPECT_EQ(closed, (std::vector<int>{1, 2, 4, 3}));
}

}  // namespace
}  // namespace qalo
