// One named section: its items in ascending key order under the store's case-blind
// comparison, keys unique and never empty. Each item is one block (links and text) from
// the section's pool, found through a hash index by key; positions are stable. Walks and
// lookups may put late items in order or build the index in passing, so even reads of one
// section belong to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ini/BaseIniItem.h"
#include "ini/IniBlockPool.h"
#include "ini/IniPosition.h"

class BaseIniSection {
  struct Node;

 public:
  using Position = IniPosition<const Node*, BaseIniSection>;

  explicit BaseIniSection(std::string strName) : name(std::move(strName)) {}
  virtual ~BaseIniSection();
  BaseIniSection(const BaseIniSection&) = delete;
  BaseIniSection& operator=(const BaseIniSection&) = delete;

  // The name as passed when the section was created; never changed afterwards.
  const std::string name;

  // Inserts the item in key order, or replaces key text and value of the equal key in
  // place. No position, and no change, when the key is empty.
  Position SetItem(const BaseIniItem& item) { return SetItem(item.key, item.value); }
  Position SetItem(std::string_view key, std::string_view value);

  // The item whose key equals key ignoring case, or no position.
  Position FindItem(std::string_view key) const;

  IniItemView GetAt(Position pos) const;
  // The item at pos; pos moves to the next item, or to no position after the last.
  IniItemView GetNext(Position& pos) const;
  Position GetHeadPosition() const;

  size_t GetCount() const { return m_cItems; }
  bool IsEmpty() const { return m_cItems == 0; }
  void RemoveAt(Position pos);
  void RemoveAll();

 private:
  static Position Wrap(const Node* pNode) { return pNode ? Position(pNode) : Position(); }
  // Puts the items appended out of key order into their places.
  void EnsureOrder() const;
  static void SortByKey(std::vector<Node*>& nodes);
  // Hashes every key and chains the nodes into a table of at least m_cItems buckets.
  void BuildIndex() const;
  void GrowBuckets(size_t cBuckets) const;
  void Link(Node* pNode);  // at the tail
  Node*& Bucket(uint32_t hash) const { return m_ppBuckets[hash & (m_cBuckets - 1)]; }

  // The list: ascending keys from the head, except that the nodes from m_pUnsorted to the
  // tail were appended out of order and are merged in before the order is next needed.
  // Nothing outside this class can tell: every walk goes through EnsureOrder.
  mutable Node* m_pHead = nullptr;
  mutable Node* m_pTail = nullptr;
  mutable Node* m_pUnsorted = nullptr;
  size_t m_cItems = 0;
  // The items' blocks, and how many items have memory outside the pool's chunks.
  IniBlockPool m_pool;
  size_t m_cOwning = 0;
  // The lookups by key: chains of nodes with the same hash bits, m_cBuckets a power of two.
  // Built at the first lookup or the first key that does not simply go last: until then
  // (m_cBuckets 0) the keys are in order and the nodes' hashes are not set.
  mutable std::unique_ptr<Node*[]> m_ppBuckets;
  mutable size_t m_cBuckets = 0;
};
