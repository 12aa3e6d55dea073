// Chunked block memory of a section; see IniBlockPool.h.
#include "ini/IniBlockPool.h"

#include <algorithm>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
// Blocks that are free or not handed out yet stay poisoned, so the sanitizer still sees a
// use after RemoveAt inside a chunk.
#define KOR_POISON(p, cb) ASAN_POISON_MEMORY_REGION(p, cb)
#define KOR_UNPOISON(p, cb) ASAN_UNPOISON_MEMORY_REGION(p, cb)
#else
#define KOR_POISON(p, cb) ((void)(p), (void)(cb))
#define KOR_UNPOISON(p, cb) ((void)(p), (void)(cb))
#endif

void* IniBlockPool::Allocate(size_t cb) {
  if (IsFromHeap(cb)) {
    auto* pHeap = static_cast<HeapBlock*>(::operator new(sizeof(HeapBlock) + cb));
    pHeap->pPrev = nullptr;
    pHeap->pNext = m_pHeapBlocks;
    if (m_pHeapBlocks) m_pHeapBlocks->pPrev = pHeap;
    m_pHeapBlocks = pHeap;
    return pHeap + 1;
  }
  const size_t cbBlock = Rounded(cb ? cb : 1);
  FreeBlock*& pFree = m_apFree[cbBlock / kGrain];
  if (pFree) {
    FreeBlock* pBlock = pFree;
    KOR_UNPOISON(pBlock, cbBlock);
    pFree = pBlock->pNext;
    return pBlock;
  }
  if (m_cbUnused < cbBlock) {
    // What is left of the old chunk (less than one block) is given up. Growing by a quarter of
    // what the pool has keeps the chunks few for big sections while the unused end of the
    // newest chunk stays under a fifth of the whole.
    const size_t cbChunk = std::min(std::max(m_cbChunks / 4, kFirstChunk), kLargestChunk);
    m_cbChunks += cbChunk;
    auto* pChunk = static_cast<Chunk*>(::operator new(sizeof(Chunk) + cbChunk));
    pChunk->pNext = m_pChunks;
    m_pChunks = pChunk;
    m_pUnused = reinterpret_cast<char*>(pChunk + 1);
    m_cbUnused = cbChunk;
    KOR_POISON(m_pUnused, m_cbUnused);
  }
  void* pBlock = m_pUnused;
  KOR_UNPOISON(pBlock, cbBlock);
  m_pUnused += cbBlock;
  m_cbUnused -= cbBlock;
  return pBlock;
}

void IniBlockPool::Free(void* p, size_t cb) {
  if (IsFromHeap(cb)) {
    HeapBlock* pHeap = static_cast<HeapBlock*>(p) - 1;
    (pHeap->pPrev ? pHeap->pPrev->pNext : m_pHeapBlocks) = pHeap->pNext;
    if (pHeap->pNext) pHeap->pNext->pPrev = pHeap->pPrev;
    ::operator delete(pHeap);
    return;
  }
  const size_t cbBlock = Rounded(cb ? cb : 1);
  auto* pBlock = static_cast<FreeBlock*>(p);
  FreeBlock*& pFree = m_apFree[cbBlock / kGrain];
  pBlock->pNext = pFree;
  pFree = pBlock;
  KOR_POISON(pBlock, cbBlock);
}

void IniBlockPool::Release() {
  while (m_pHeapBlocks) {
    HeapBlock* pNext = m_pHeapBlocks->pNext;
    ::operator delete(m_pHeapBlocks);
    m_pHeapBlocks = pNext;
  }
  while (m_pChunks) {
    Chunk* pNext = m_pChunks->pNext;
    KOR_UNPOISON(m_pChunks, sizeof(Chunk));
    ::operator delete(m_pChunks);
    m_pChunks = pNext;
  }
  m_pUnused = nullptr;
  m_cbUnused = 0;
  m_cbChunks = 0;
  for (FreeBlock*& pFree : m_apFree) pFree = nullptr;
}
