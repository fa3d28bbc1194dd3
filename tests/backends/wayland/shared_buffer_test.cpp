// Buffer sizes a compositor may announce that no shared-memory pool can take: they
// are refused before any memory or request is made (a pool of 2 GiB or more has a
// negative size on the wire, and the compositor would end the connection).
#include "backends/wayland/shared_buffer.h"

#include <gtest/gtest.h>

#include <climits>

namespace snaprill {
namespace {

TEST(SharedBuffer, RefusesSizesNoPoolCanHold) {
  // No connection is given: a buffer that got as far as asking for a pool would
  // crash here.
  EXPECT_EQ(SharedBuffer(nullptr, 1, 32768, 16384, 32768 * 4).buffer(), nullptr);  // 2 GiB
  EXPECT_EQ(SharedBuffer(nullptr, 1, 100, 10, 399).buffer(), nullptr);             // rows too short
  EXPECT_EQ(SharedBuffer(nullptr, 1, 0, 10, 0).buffer(), nullptr);
  EXPECT_EQ(SharedBuffer(nullptr, 1, INT_MAX / 4, INT_MAX, INT_MAX / 4 * 4).buffer(), nullptr);
}

}  // namespace
}  // namespace snaprill
