// A case-blind hash index over the elements of one sorted store list (the items of a
// section, the sections of a document), so that lookups by name take constant time while
// the list keeps the order and the positions. Open addressing with linear probing; a tag
// byte per slot holds seven bits of the hash, so most probes never touch the element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ini/IniText.h"

// Iter: the list's iterator; KeyOf: a functor giving an element's name from an Iter.
template <class Iter, class KeyOf>
class IniHashIndex {
 public:
  // The stored iterator of the element whose name equals key ignoring case, or nullptr.
  const Iter* Find(std::string_view key) const {
    if (m_cUsed == 0) return nullptr;
    const uint64_t hash = initext::HashNoCase(key);
    const uint8_t tag = Tag(hash);
    for (size_t i = hash & Mask();; i = (i + 1) & Mask()) {
      if (m_tags[i] == 0) return nullptr;
      if (m_tags[i] == tag && initext::EqualsNoCase(KeyOf()(m_slots[i]), key)) {
        return &m_slots[i];
      }
    }
  }

  // Adds an element whose name is not in the index yet.
  void Insert(Iter it) {
    if ((m_cUsed + 1) * 4 > m_slots.size() * 3) Grow();
    Place(it, initext::HashNoCase(KeyOf()(it)));
    ++m_cUsed;
  }

  // Removes an element that is in the index.
  void Erase(Iter it) {
    const uint64_t hash = initext::HashNoCase(KeyOf()(it));
    size_t i = hash & Mask();
    while (!(m_tags[i] != 0 && m_slots[i] == it)) i = (i + 1) & Mask();
    // Shift later members of the probe run back into the hole, so that no search stops
    // early at it.
    for (size_t j = (i + 1) & Mask(); m_tags[j] != 0; j = (j + 1) & Mask()) {
      const size_t home = initext::HashNoCase(KeyOf()(m_slots[j])) & Mask();
      const bool bMovable = (j > i) ? (home <= i || home > j) : (home <= i && home > j);
      if (!bMovable) continue;
      m_slots[i] = m_slots[j];
      m_tags[i] = m_tags[j];
      i = j;
    }
    m_tags[i] = 0;
    m_slots[i] = Iter();
    --m_cUsed;
  }

  void Clear() {
    m_slots.clear();
    m_tags.clear();
    m_cUsed = 0;
  }

 private:
  static uint8_t Tag(uint64_t hash) { return static_cast<uint8_t>((hash >> 57) | 0x80); }
  size_t Mask() const { return m_slots.size() - 1; }

  void Place(Iter it, uint64_t hash) {
    size_t i = hash & Mask();
    while (m_tags[i] != 0) i = (i + 1) & Mask();
    m_slots[i] = it;
    m_tags[i] = Tag(hash);
  }

  void Grow() {
    std::vector<Iter> oldSlots(m_slots.empty() ? 8 : m_slots.size() * 2);
    std::vector<uint8_t> oldTags(oldSlots.size(), 0);
    oldSlots.swap(m_slots);
    oldTags.swap(m_tags);
    for (size_t i = 0; i < oldSlots.size(); ++i) {
      if (oldTags[i] != 0) Place(oldSlots[i], initext::HashNoCase(KeyOf()(oldSlots[i])));
    }
  }

  std::vector<Iter> m_slots;
  std::vector<uint8_t> m_tags;  // 0: empty; otherwise 0x80 | the hash's top seven bits
  size_t m_cUsed = 0;
};
