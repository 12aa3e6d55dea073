// The order of keys as initext::MakeLower leaves them, and the one place that knows how
// they compare: lowered keys stand in the order that initext::CompareNoCase gives the
// originals, and while the code page has no lead bytes that is the order of their unsigned
// bytes. The parser compares its lowered keys pairwise; a section putting late items in
// place and the parser ordering a run of items sort them in bulk, eight bytes at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

#include "ini/IniText.h"

struct IniKeyText {
  const unsigned char* p;
  size_t cb;
};

// True while lowered keys compare as bytes: the code page has no lead bytes.
inline bool LoweredKeysCompareAsBytes() { return !initext::HasLeadBytes(); }

// a < b for two lowered keys. bAsBytes is LoweredKeysCompareAsBytes(), for callers that
// compare many keys and ask once.
inline bool LoweredKeyBefore(std::string_view a, std::string_view b,
                             bool bAsBytes = LoweredKeysCompareAsBytes()) {
  if (!bAsBytes) return initext::CompareNoCase(a, b) < 0;
  const int order = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  return order != 0 ? order < 0 : a.size() < b.size();
}

// Sets order to the indexes of keys in ascending order (LoweredKeyBefore), equal keys in the
// order of their indexes. The keys are lowered, and each must be followed by 8 readable
// bytes: the words read at a key's end stay inside.
void FindKeyOrder(const std::vector<IniKeyText>& keys, std::vector<size_t>& order);

// The same for keys in any case: they are ordered as their lowered copies.
void FindKeyOrder(const std::vector<std::string_view>& keys, std::vector<size_t>& order);
