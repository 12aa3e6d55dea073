// One named section: its items held in ascending key order under the store's case-blind
// comparison, keys unique and never empty. Lookups are logarithmic; positions are stable.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

#include "ini/BaseIniItem.h"
#include "ini/IniHashIndex.h"
#include "ini/IniPosition.h"
#include "ini/IniText.h"

class BaseIniSection {
  struct ItemLess {
    using is_transparent = void;
    static std::string_view KeyOf(const BaseIniItem& item) { return item.key; }
    static std::string_view KeyOf(std::string_view key) { return key; }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
      return initext::CompareNoCase(KeyOf(a), KeyOf(b)) < 0;
    }
  };
  using Items = std::set<BaseIniItem, ItemLess>;
  struct ItemKey {
    std::string_view operator()(Items::const_iterator it) const { return it->key; }
  };

 public:
  using Position = IniPosition<Items::const_iterator, BaseIniSection>;

  explicit BaseIniSection(std::string strName) : name(std::move(strName)) {}
  virtual ~BaseIniSection() = default;
  BaseIniSection(const BaseIniSection&) = delete;
  BaseIniSection& operator=(const BaseIniSection&) = delete;

  // The name as passed when the section was created; never changed afterwards.
  const std::string name;

  // Inserts the item in key order, or replaces key text and value of the equal key in
  // place. No position, and no change, when the key is empty.
  Position SetItem(const BaseIniItem& item);
  Position SetItem(BaseIniItem&& item);

  // The item whose key equals key ignoring case, or no position.
  Position FindItem(std::string_view key) const;

  // The first item whose key is not less than key ignoring case, or no position.
  Position LowerBound(std::string_view key) const;

  const BaseIniItem& GetAt(Position pos) const { return *pos.m_it; }
  // The item at pos; pos moves to the next item, or to no position after the last.
  const BaseIniItem& GetNext(Position& pos) const;
  Position GetHeadPosition() const;

  size_t GetCount() const { return m_items.size(); }
  bool IsEmpty() const { return m_items.empty(); }
  void RemoveAt(Position pos) {
    m_index.Erase(pos.m_it);
    m_items.erase(pos.m_it);
  }
  void RemoveAll() {
    m_index.Clear();
    m_items.clear();
  }

 private:
  Position Wrap(Items::const_iterator it) const {
    return it == m_items.end() ? Position() : Position(it);
  }

  Items m_items;                                         // the order and the positions
  IniHashIndex<Items::const_iterator, ItemKey> m_index;  // the lookups by key
};
