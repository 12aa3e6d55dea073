// A case-blind hash index over the elements of one sorted store list (the items of a
// section, the sections of a document), so that lookups by name take constant time while
// the list keeps the order and the positions. Open addressing with linear probing; each slot
// keeps 31 bits of its element's hash, so most probes never touch the element and growing
// never hashes a name again; erasing hashes the erased element's name once, to find its slot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ini/IniText.h"

// The hash an index works with: HashNoCase folded to 31 bits, never 0 (an empty slot).
inline uint32_t IniIndexHash(std::string_view key) {
  const uint64_t hash = initext::HashNoCase(key);
  return static_cast<uint32_t>(hash ^ (hash >> 32)) | 0x80000000u;
}

// Iter: the list's iterator; KeyOf: a functor giving an element's name from an Iter.
template <class Iter, class KeyOf>
class IniHashIndex {
 public:
  // The hash that Find and Insert work with. A caller that looks a name up and then adds it
  // passes the hash to both, so the name is hashed once.
  static uint32_t Hash(std::string_view key) { return IniIndexHash(key); }

  // The stored iterator of the element whose name equals key ignoring case, or nullptr.
  const Iter* Find(std::string_view key) const { return Find(key, Hash(key)); }
  const Iter* Find(std::string_view key, uint32_t hash) const {
    if (m_cUsed == 0) return nullptr;
    for (size_t i = hash & Mask();; i = (i + 1) & Mask()) {
      if (m_hashes[i] == 0) return nullptr;
      if (m_hashes[i] == hash && initext::EqualsNoCase(KeyOf()(m_slots[i]), key)) {
        return &m_slots[i];
      }
    }
  }

  // Adds an element whose name is not in the index yet (hash: the Hash of its name).
  void Insert(Iter it) { Insert(it, Hash(KeyOf()(it))); }
  void Insert(Iter it, uint32_t hash) {
    if ((m_cUsed + 1) * 4 > m_slots.size() * 3) Grow();
    Place(it, hash);
    ++m_cUsed;
  }

  // Removes an element that is in the index.
  void Erase(Iter it) {
    size_t i = Hash(KeyOf()(it)) & Mask();
    while (!(m_hashes[i] != 0 && m_slots[i] == it)) i = (i + 1) & Mask();
    // Shift later members of the probe run back into the hole, so that no search stops
    // early at it.
    for (size_t j = (i + 1) & Mask(); m_hashes[j] != 0; j = (j + 1) & Mask()) {
      const size_t home = m_hashes[j] & Mask();
      const bool bMovable = (j > i) ? (home <= i || home > j) : (home <= i && home > j);
      if (!bMovable) continue;
      m_slots[i] = m_slots[j];
      m_hashes[i] = m_hashes[j];
      i = j;
    }
    m_hashes[i] = 0;
    m_slots[i] = Iter();
    --m_cUsed;
  }

  void Clear() {
    m_slots.clear();
    m_hashes.clear();
    m_cUsed = 0;
  }

 private:
  size_t Mask() const { return m_slots.size() - 1; }

  void Place(Iter it, uint32_t hash) {
    size_t i = hash & Mask();
    while (m_hashes[i] != 0) i = (i + 1) & Mask();
    m_slots[i] = it;
    m_hashes[i] = hash;
  }

  void Grow() {
    std::vector<Iter> oldSlots(m_slots.empty() ? 8 : m_slots.size() * 2);
    std::vector<uint32_t> oldHashes(oldSlots.size(), 0);
    oldSlots.swap(m_slots);
    oldHashes.swap(m_hashes);
    for (size_t i = 0; i < oldSlots.size(); ++i) {
      if (oldHashes[i] != 0) Place(oldSlots[i], oldHashes[i]);
    }
  }

  std::vector<Iter> m_slots;
  std::vector<uint32_t> m_hashes;  // 0: empty; otherwise the element's Hash
  size_t m_cUsed = 0;
};
