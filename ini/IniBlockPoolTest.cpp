// The section's block pool: blocks never overlap, freed ones come back for the same size,
// everything goes with the pool, and the sanitizer still sees a use after Free.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ini/IniBlockPool.h"

namespace {

TEST(IniBlockPool, HandsOutSeparateAlignedBlocksOfEverySize) {
  IniBlockPool pool;
  struct Block {
    unsigned char* p;
    size_t cb;
  };
  std::vector<Block> blocks;
  for (int round = 0; round < 3; ++round) {
    for (size_t cb = 1; cb <= 300; ++cb) {
      auto* p = static_cast<unsigned char*>(pool.Allocate(cb));
      ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(void*), 0u) << cb;
      std::memset(p, static_cast<int>(blocks.size() & 0xFF), cb);
      blocks.push_back({p, cb});
    }
  }
  for (size_t i = 0; i < blocks.size(); ++i) {  // no block was written over by another
    for (size_t b = 0; b < blocks[i].cb; ++b) ASSERT_EQ(blocks[i].p[b], i & 0xFF) << i;
  }
  // The large ones among them go with the pool as the rest do (the leak checker of the
  // sanitized build would report them otherwise).
}

TEST(IniBlockPool, GivesAFreedBlockBackForTheSameSize) {
  IniBlockPool pool;
  void* pFirst = pool.Allocate(100);
  void* pOther = pool.Allocate(40);
  pool.Free(pFirst, 100);
  EXPECT_NE(pool.Allocate(40), pFirst);  // another size takes another block
  EXPECT_EQ(pool.Allocate(IniBlockPool::Usable(100)), pFirst);
  EXPECT_NE(pOther, pFirst);
  void* pLarge = pool.Allocate(1000);
  pool.Free(pLarge, 1000);  // a large block may also go by itself before the pool does
  pool.Release();
  auto* pAfter = static_cast<char*>(pool.Allocate(100));  // usable again after a Release
  std::memset(pAfter, 0, 100);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(IniBlockPoolDeathTest, ReportsAUseAfterFree) {
  IniBlockPool pool;
  auto* p = static_cast<volatile char*>(pool.Allocate(64));
  pool.Allocate(64);
  pool.Free(const_cast<char*>(p), 64);
  EXPECT_DEATH(p[8] = 1, "use-after-poison");
}
#endif

}  // namespace
