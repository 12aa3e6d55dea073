// One named section: its items in ascending key order under the store's case-blind
// comparison, keys unique and never empty. Each item is one block (links and text) from
// the section's pool, found through a hash index by key; positions are stable. Walks and
// lookups may put late items in order or build the index in passing, so even reads of one
// section belong to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ini/BaseIniItem.h"
#include "ini/IniBlockPool.h"
#include "ini/IniHashIndex.h"
#include "ini/IniPosition.h"

class BaseIniSection {
  struct Node;
  struct NodeKey {
    std::string_view operator()(const Node* pNode) const;
  };

 public:
  using Position = IniPosition<const Node*, BaseIniSection>;

  explicit BaseIniSection(std::string strName) : name(std::move(strName)) {}
  virtual ~BaseIniSection();
  BaseIniSection(const BaseIniSection&) = delete;
  BaseIniSection& operator=(const BaseIniSection&) = delete;

  // The name as passed when the section was created; never changed afterwards.
  const std::string name;

  // Inserts the item in key order, or replaces key text and value of the equal key in
  // place. No position, and no change, when the key is empty. Items come in this way (or
  // through Insert): a key past the last goes last, any other waits at the tail until the
  // order is needed.
  Position SetItem(const BaseIniItem& item) { return SetItem(item.key, item.value); }
  Position SetItem(std::string_view key, std::string_view value);

  // The item whose key equals key ignoring case, or no position.
  Position FindItem(std::string_view key) const;

  IniItemView GetAt(Position pos) const;
  // The item at pos; pos moves to the next item, or to no position after the last.
  IniItemView GetNext(Position& pos) const;
  Position GetHeadPosition() const;

  // Puts the items that came out of key order in their places now rather than at the next
  // walk, so that a reader can order many sections at once, each on its own thread.
  void PutInOrder() const { EnsureOrder(); }
  // True while items that came out of key order wait for PutInOrder or a walk.
  bool HasLateItems() const { return m_pUnsorted != nullptr; }

  size_t GetCount() const { return m_cItems; }
  bool IsEmpty() const { return m_cItems == 0; }
  void RemoveAt(Position pos);
  void RemoveAll();

 private:
  friend class IniReader;    // takes in parsed text through Insert
  friend class BaseIniFile;  // counts this section's changes with the document's

  void NoteChange() {
    if (m_pChanges) ++*m_pChanges;
  }

  static Position Wrap(const Node* pNode) { return pNode ? Position(pNode) : Position(); }
  // SetItem of a non-empty key, given what the caller may already know: an item whose key
  // comes before key (after, or no position). The one way in besides SetItem, kept for
  // speed: the reader knows from the parser that a key follows the one it just put in, and
  // skips the comparison with the last key; without it a sorted log read about 1.2x slower.
  Position Insert(std::string_view key, std::string_view value, Position after);
  // Puts the items appended out of key order into their places.
  void EnsureOrder() const;
  static void SortByKey(std::vector<Node*>& nodes);
  // Indexes every item; until then the items are in key order (see SetItem).
  void BuildIndex() const;
  void Link(Node* pNode);  // at the tail
  // Gives an item of an equal key this key text and value.
  void Replace(Node* pNode, std::string_view key, std::string_view value);

  // The list: ascending keys from the head, except that the nodes from m_pUnsorted to the
  // tail were appended out of order and are merged in before the order is next needed.
  // Nothing outside this class can tell: every walk goes through EnsureOrder.
  mutable Node* m_pHead = nullptr;
  mutable Node* m_pTail = nullptr;
  mutable Node* m_pUnsorted = nullptr;
  size_t m_cItems = 0;
  IniBlockPool m_pool;  // the items' memory
  // The lookups by key, built at the first lookup or the first key that does not simply go
  // last.
  mutable IniHashIndex<Node*, NodeKey> m_index;
  mutable bool m_bIndexed = false;
  std::uint64_t* m_pChanges = nullptr;  // the owning document's count of changes, if any
};
