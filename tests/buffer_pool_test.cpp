#include "platform/buffer_pool.h"

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace {

TEST(BufferPool, ServesZeroFilledBuffersWithinItsMaximum) {
  buffer_pool* pool = buffer_pool_create(8192, 8192);
  ASSERT_NE(pool, nullptr);

  // A buffer given back dirty comes out zero-filled the next time.
  for (int round = 0; round < 2; ++round) {
    auto* buffer = static_cast<unsigned char*>(buffer_pool_take_zeroed(pool, 4096));
    ASSERT_NE(buffer, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(buffer[i], 0) << "round " << round << " byte " << i;
    std::memset(buffer, 0xAB, 4096);
    EXPECT_TRUE(buffer_pool_give_back(pool, buffer));
  }

  void* first = buffer_pool_take_zeroed(pool, 4096);
  void* second = buffer_pool_take_zeroed(pool, 4096);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  errno = 0;
  EXPECT_EQ(buffer_pool_take_zeroed(pool, 1), nullptr) << "past the maximum";
  EXPECT_EQ(errno, ENOMEM);
  EXPECT_TRUE(buffer_pool_give_back(pool, second));
  void* again = buffer_pool_take_zeroed(pool, 4096);
  EXPECT_NE(again, nullptr) << "room given back is room again";
  EXPECT_TRUE(buffer_pool_give_back(pool, again));
  EXPECT_TRUE(buffer_pool_give_back(pool, first));
  buffer_pool_destroy(pool);
}

}  // namespace
