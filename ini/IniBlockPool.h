// Memory for the item blocks of one section. Small blocks are carved from chunks that the
// pool owns and are recycled through free lists by size; larger ones come from the heap and
// are kept on a list. Everything goes at once with the pool, so a section's items need no
// freeing one by one, and a small block costs no allocator header.
#pragma once

#include <cstddef>

class IniBlockPool {
 public:
  IniBlockPool() = default;
  ~IniBlockPool() { Release(); }
  IniBlockPool(const IniBlockPool&) = delete;
  IniBlockPool& operator=(const IniBlockPool&) = delete;

  // How many bytes a block asked for with cb really has; ask for that many to use them.
  static size_t Usable(size_t cb) { return IsFromHeap(cb) ? cb : Rounded(cb ? cb : 1); }

  // A block of cb bytes, aligned for pointers (the items' links); throws std::bad_alloc.
  void* Allocate(size_t cb);
  // Gives back a block from Allocate with the same cb.
  void Free(void* p, size_t cb);
  // Frees every block at once.
  void Release();

 private:
  static bool IsFromHeap(size_t cb) { return cb > kMaxPooled; }
  // Items are links, sizes and text: pointer alignment is all they need, and a finer
  // grain wastes less of each block.
  static constexpr size_t kGrain = 8;
  static_assert(kGrain % alignof(void*) == 0, "blocks hold pointers");
  static constexpr size_t kMaxPooled = 256;
  static constexpr size_t kFirstChunk = kMaxPooled;
  static constexpr size_t kLargestChunk = 64 * 1024;
  static size_t Rounded(size_t cb) { return (cb + kGrain - 1) / kGrain * kGrain; }

  struct alignas(kGrain) Chunk {
    Chunk* pNext;
  };
  struct FreeBlock {
    FreeBlock* pNext;
  };
  struct alignas(kGrain) HeapBlock {  // before each large block
    HeapBlock* pPrev;
    HeapBlock* pNext;
  };

  Chunk* m_pChunks = nullptr;
  HeapBlock* m_pHeapBlocks = nullptr;
  char* m_pUnused = nullptr;  // the part of the newest chunk not handed out yet
  size_t m_cbUnused = 0;
  size_t m_cbChunks = 0;  // all chunks together: the next one is a quarter of that, within limits
  FreeBlock* m_apFree[kMaxPooled / kGrain + 1] = {};  // by size / kGrain
};
