// The order of many keys at once, for the two places that sort in bulk: a section putting
// the items that came out of order in their places, and a parsed block ordering a run of
// items before the document takes them in.
#pragma once

#include <cstddef>
#include <vector>

struct IniKeyText {
  const unsigned char* p;
  size_t cb;
};

// Sets order to the indexes of keys in ascending key order (initext::CompareNoCase), equal
// keys in the order of their indexes. The keys are as initext::MakeLower leaves them, and
// each must be followed by 8 readable bytes: where the code page lets lowered keys compare
// as bytes, the order is found eight bytes at a time.
void FindKeyOrder(const std::vector<IniKeyText>& keys, std::vector<size_t>& order);
