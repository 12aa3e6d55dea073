// Item storage of one section; see BaseIniSection.h.
#include "ini/BaseIniSection.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <vector>

#include "ini/IniKeyOrder.h"
#include "ini/IniText.h"

// An item in one block: the links and the sizes, then the key and the value back to back
// in the room after the header. A replacement too long for the room moves the text to a
// block of its own, whose address the room then holds; the node itself never moves, which
// keeps positions stable.
struct BaseIniSection::Node {
  Node* pNext;
  Node* pPrev;
  uint32_t cbKey;
  uint32_t cbValue;
  uint32_t cbRoom : 31;
  uint32_t bOutside : 1;

  // The room starts right after the fields, not at the padded end of the struct.
  static constexpr size_t kHeader = 2 * sizeof(Node*) + 3 * sizeof(uint32_t);

  char* Room() { return reinterpret_cast<char*>(this) + kHeader; }
  const char* Room() const { return reinterpret_cast<const char*>(this) + kHeader; }
  const char* Text() const {
    if (!bOutside) return Room();
    char* pText;
    std::memcpy(&pText, Room(), sizeof pText);
    return pText;
  }
  std::string_view Key() const { return {Text(), cbKey}; }
  IniItemView View() const { return {Key(), {Text() + cbKey, cbValue}}; }

  static Node* Create(IniBlockPool& pool, std::string_view key, std::string_view value) {
    static_assert(sizeof(Node) - kHeader < alignof(Node), "the room takes only end padding");
    const size_t cbText = std::max(key.size() + value.size(), sizeof(char*));
    if (cbText >= (1u << 31)) throw std::length_error("INI item too long");
    // Whatever the pool's rounding adds is room for a longer value later.
    const size_t cbBlock = IniBlockPool::Usable(kHeader + cbText);
    Node* pNode = static_cast<Node*>(pool.Allocate(cbBlock));
    pNode->pNext = pNode->pPrev = nullptr;
    pNode->cbRoom = static_cast<uint32_t>(cbBlock - kHeader);
    pNode->bOutside = 0;
    // A new block holds nothing that key or value could be a view of.
    pNode->Put(pNode->Room(), key, value);
    return pNode;
  }

  static void Destroy(IniBlockPool& pool, Node* pNode) {
    pNode->FreeOutside(pool);
    pool.Free(pNode, kHeader + pNode->cbRoom);
  }

  // Replaces the text. The new one may be a view of the old (a caller storing what it just
  // read): then it is copied out first, as the old room is reused or freed below.
  void Store(IniBlockPool& pool, std::string_view key, std::string_view value) {
    if (Holds(key) || Holds(value)) {
      const std::string copy = std::string(key) + std::string(value);
      const std::string_view text = copy;
      Store(pool, text.substr(0, key.size()), text.substr(key.size()));
      return;
    }
    const size_t cb = key.size() + value.size();
    char* pText;
    if (cb <= cbRoom) {
      FreeOutside(pool);
      pText = Room();
    } else {
      if (cb >= (1u << 31)) throw std::length_error("INI item too long");
      pText = static_cast<char*>(pool.Allocate(cb));
      FreeOutside(pool);
      std::memcpy(Room(), &pText, sizeof pText);
      bOutside = 1;
    }
    Put(pText, key, value);
  }

  // Writes key and value back to back at pText, which holds neither, and records their sizes.
  void Put(char* pText, std::string_view key, std::string_view value) {
    if (!key.empty()) std::memcpy(pText, key.data(), key.size());
    if (!value.empty()) std::memcpy(pText + key.size(), value.data(), value.size());
    cbKey = static_cast<uint32_t>(key.size());
    cbValue = static_cast<uint32_t>(value.size());
  }

  bool Holds(std::string_view part) const {
    const char* pBegin = Text();
    const std::less<const char*> less;
    return !part.empty() && !less(part.data(), pBegin) &&
           less(part.data(), pBegin + cbKey + cbValue);
  }

  // An outside block holds exactly the text stored in it, so its size is the text's.
  void FreeOutside(IniBlockPool& pool) {
    if (!bOutside) return;
    pool.Free(const_cast<char*>(Text()), cbKey + cbValue);
    bOutside = 0;
  }
};

std::string_view BaseIniSection::NodeKey::operator()(const Node* pNode) const {
  return pNode->Key();
}

BaseIniSection::~BaseIniSection() = default;

BaseIniSection::Position BaseIniSection::SetItem(std::string_view key, std::string_view value) {
  return key.empty() ? Position() : Insert(key, value, Position());
}

BaseIniSection::Position BaseIniSection::Insert(std::string_view key, std::string_view value,
                                                Position after) {
  // Logs are mostly written and read in key order: appending past the last key is the
  // common case and needs one comparison, none when the caller knows the answer. The last
  // key again (a log that names an item twice, its lines ordered) replaces it in place.
  const int order = !m_pTail || (after && after.m_it == m_pTail)
                        ? -1
                        : initext::CompareNoCase(m_pTail->Key(), key);
  if (order == 0) {
    Replace(m_pTail, key, value);
    return Position(m_pTail);
  }
  if (!m_bIndexed) {
    // No lookup has needed the index yet. A key past the last one is new and goes at the
    // end, which is how a saved log reads back; anything else needs the index first.
    if (order < 0) {
      Link(Node::Create(m_pool, key, value));
      NoteChange();
      return Position(m_pTail);
    }
    BuildIndex();
  }
  const uint32_t hash = m_index.Hash(key);
  if (Node* const* ppFound = m_index.Find(key, hash)) {
    Replace(*ppFound, key, value);  // same place in the order: the keys compare equal
    return Position(*ppFound);
  }
  Node* pNode = Node::Create(m_pool, key, value);
  try {
    m_index.Insert(pNode, hash);
  } catch (...) {
    Node::Destroy(m_pool, pNode);
    throw;
  }
  // Anything but a key past the last waits at the tail for EnsureOrder.
  if (!m_pUnsorted && order > 0) m_pUnsorted = pNode;
  Link(pNode);
  NoteChange();
  return Position(pNode);
}

void BaseIniSection::Replace(Node* pNode, std::string_view key, std::string_view value) {
  const IniItemView old = pNode->View();
  if (old.key == key && old.value == value) return;  // the same bytes: nothing to save
  pNode->Store(m_pool, key, value);
  NoteChange();
}

void BaseIniSection::Link(Node* pNode) {
  pNode->pPrev = m_pTail;
  (m_pTail ? m_pTail->pNext : m_pHead) = pNode;
  m_pTail = pNode;
  ++m_cItems;
}

BaseIniSection::Position BaseIniSection::FindItem(std::string_view key) const {
  if (m_cItems == 0) return Position();
  if (!m_bIndexed) BuildIndex();
  Node* const* ppFound = m_index.Find(key);
  return ppFound ? Position(*ppFound) : Position();
}

IniItemView BaseIniSection::GetAt(Position pos) const { return pos.m_it->View(); }

IniItemView BaseIniSection::GetNext(Position& pos) const {
  EnsureOrder();
  const Node* pNode = pos.m_it;
  pos = Wrap(pNode->pNext);
  return pNode->View();
}

BaseIniSection::Position BaseIniSection::GetHeadPosition() const {
  EnsureOrder();
  return Wrap(m_pHead);
}

void BaseIniSection::RemoveAt(Position pos) {
  Node* pNode = const_cast<Node*>(pos.m_it);
  if (m_bIndexed) m_index.Erase(pNode);
  if (m_pUnsorted == pNode) m_pUnsorted = pNode->pNext;
  (pNode->pPrev ? pNode->pPrev->pNext : m_pHead) = pNode->pNext;
  (pNode->pNext ? pNode->pNext->pPrev : m_pTail) = pNode->pPrev;
  Node::Destroy(m_pool, pNode);
  --m_cItems;
  NoteChange();
}

void BaseIniSection::RemoveAll() {
  if (m_cItems != 0) NoteChange();
  m_index.Clear();
  m_bIndexed = false;
  m_pool.Release();  // every item's memory, at once
  m_pHead = m_pTail = m_pUnsorted = nullptr;
  m_cItems = 0;
}

void BaseIniSection::BuildIndex() const {
  try {
    for (Node* pNode = m_pHead; pNode; pNode = pNode->pNext) m_index.Insert(pNode);
  } catch (...) {
    m_index.Clear();  // all or nothing, so that the next try starts afresh
    throw;
  }
  m_bIndexed = true;
}

void BaseIniSection::SortByKey(std::vector<Node*>& nodes) {
  std::vector<std::string_view> keys;
  keys.reserve(nodes.size());
  for (const Node* pNode : nodes) keys.push_back(pNode->Key());
  std::vector<size_t> order;
  FindKeyOrder(keys, order);
  std::vector<Node*> sorted(nodes.size());
  for (size_t i = 0; i < order.size(); ++i) sorted[i] = nodes[order[i]];
  nodes.swap(sorted);
}

void BaseIniSection::EnsureOrder() const {
  if (!m_pUnsorted) return;
  std::vector<Node*> tail;
  for (Node* pNode = m_pUnsorted; pNode; pNode = pNode->pNext) tail.push_back(pNode);
  SortByKey(tail);
  // Merge from the back: nodes of the sorted part before the smallest new key stay as they
  // are, so a few late keys near the end cost little.
  Node* pOld = m_pUnsorted->pPrev;
  Node* pFollower = nullptr;
  auto place = [&](Node* pNode) {
    pNode->pNext = pFollower;
    (pFollower ? pFollower->pPrev : m_pTail) = pNode;
    pFollower = pNode;
  };
  for (size_t i = tail.size(); i > 0;) {
    if (pOld && initext::CompareNoCase(pOld->Key(), tail[i - 1]->Key()) > 0) {
      Node* pPrev = pOld->pPrev;
      place(pOld);
      pOld = pPrev;
    } else {
      place(tail[--i]);
    }
  }
  pFollower->pPrev = pOld;
  (pOld ? pOld->pNext : m_pHead) = pFollower;
  m_pUnsorted = nullptr;
}
