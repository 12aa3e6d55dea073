// Ordered, case-blind item storage of one section; see BaseIniSection.h.
#include "ini/BaseIniSection.h"

#include <utility>

namespace {

// Replaces key text and value of a stored item whose key compares equal to the new one.
// The set orders by the case-blind key, which this cannot change, so editing the element in
// place keeps the tree valid and the item's position stable.
void ReplaceInPlace(const BaseIniItem& stored, BaseIniItem&& item) {
  auto& target = const_cast<BaseIniItem&>(stored);
  target.key = std::move(item.key);
  target.value = std::move(item.value);
}

}  // namespace

BaseIniSection::Position BaseIniSection::SetItem(const BaseIniItem& item) {
  return SetItem(BaseIniItem(item));
}

BaseIniSection::Position BaseIniSection::SetItem(BaseIniItem&& item) {
  if (item.key.empty()) return Position();
  if (const auto* pFound = m_index.Find(item.key)) {
    ReplaceInPlace(**pFound, std::move(item));
    return Position(*pFound);
  }
  // Logs are mostly written and read in key order: appending past the last key is the
  // common case and needs one comparison.
  Items::const_iterator it;
  if (m_items.empty() || initext::CompareNoCase(m_items.rbegin()->key, item.key) < 0) {
    it = m_items.emplace_hint(m_items.end(), std::move(item));
  } else {
    it = m_items.emplace_hint(m_items.lower_bound(std::string_view(item.key)), std::move(item));
  }
  m_index.Insert(it);
  return Position(it);
}

BaseIniSection::Position BaseIniSection::FindItem(std::string_view key) const {
  const auto* pFound = m_index.Find(key);
  return pFound ? Position(*pFound) : Position();
}

BaseIniSection::Position BaseIniSection::LowerBound(std::string_view key) const {
  return Wrap(m_items.lower_bound(key));
}

const BaseIniItem& BaseIniSection::GetNext(Position& pos) const {
  const BaseIniItem& item = *pos.m_it;
  pos = Wrap(std::next(pos.m_it));
  return item;
}

BaseIniSection::Position BaseIniSection::GetHeadPosition() const { return Wrap(m_items.begin()); }
