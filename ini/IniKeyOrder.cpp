// Bulk ordering of keys; see IniKeyOrder.h.
#include "ini/IniKeyOrder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>

#include "ini/IniText.h"

namespace {

// The eight bytes at p as a number whose first byte is the most significant, so that
// numbers compare as the bytes do.
inline uint64_t LoadBigEndian(const unsigned char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  word = __builtin_bswap64(word);
#endif
  return word;
}

struct Entry {
  uint64_t digit;  // the key's bytes [offset, offset + 8), those past its end as 0
  size_t index;    // into keys
};

struct Range {
  size_t begin, end, offset;  // every key in the range is at least offset bytes long
};

// How many bytes from offset all keys of the range share: at most the shortest one's rest.
size_t SharedLength(const std::vector<IniKeyText>& keys, const std::vector<Entry>& entries,
                    const Range& range) {
  const IniKeyText& first = keys[entries[range.begin].index];
  const unsigned char* pFirst = first.p + range.offset;
  size_t cbShared = first.cb - range.offset;
  for (size_t e = range.begin + 1; e < range.end && cbShared > 0; ++e) {
    const IniKeyText& key = keys[entries[e].index];
    const unsigned char* pKey = key.p + range.offset;
    const size_t cb = std::min(cbShared, key.cb - range.offset);
    size_t i = 0;
    for (; i < cb; i += 8) {
      const uint64_t differ = LoadBigEndian(pFirst + i) ^ LoadBigEndian(pKey + i);
      if (differ) {
        i += static_cast<size_t>(__builtin_clzll(differ)) / 8;
        break;
      }
    }
    cbShared = std::min(i, cb);
  }
  return cbShared;
}

}  // namespace

// A radix sort whose digits are words. The keys of a log share long beginnings, so each
// range of keys first skips what all of them share: its digits then tell them apart.
void FindKeyOrder(const std::vector<IniKeyText>& keys, std::vector<size_t>& order) {
  if (!LoweredKeysCompareAsBytes()) {
    const auto text = [&keys](size_t i) {
      return std::string_view(reinterpret_cast<const char*>(keys[i].p), keys[i].cb);
    };
    order.resize(keys.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&text](size_t a, size_t b) {
      return LoweredKeyBefore(text(a), text(b), false);
    });
    return;
  }
  std::vector<Entry> entries(keys.size());
  for (size_t i = 0; i < entries.size(); ++i) entries[i].index = i;
  std::vector<Range> work;
  if (entries.size() > 1) work.push_back({0, entries.size(), 0});
  while (!work.empty()) {
    Range range = work.back();
    work.pop_back();
    range.offset += SharedLength(keys, entries, range);
    for (size_t i = range.begin; i < range.end; ++i) {
      const IniKeyText& key = keys[entries[i].index];
      const size_t cbRest = key.cb - range.offset;
      uint64_t digit = LoadBigEndian(key.p + range.offset);
      if (cbRest < 8) digit &= ~(~uint64_t{0} >> (8 * cbRest));
      entries[i].digit = digit;
    }
    const auto begin = entries.begin() + static_cast<ptrdiff_t>(range.begin);
    const auto end = entries.begin() + static_cast<ptrdiff_t>(range.end);
    std::sort(begin, end, [](const Entry& a, const Entry& b) { return a.digit < b.digit; });
    // Keys with the same word here: those that end within it are the beginnings of the
    // longer ones and come first, shorter before longer and equal ones as they came; the
    // rest go on to their next word.
    for (auto it = begin; it != end;) {
      const auto same =
          std::find_if(it + 1, end, [it](const Entry& e) { return e.digit != it->digit; });
      if (same - it > 1) {
        const auto rest = std::partition(
            it, same, [&](const Entry& e) { return keys[e.index].cb <= range.offset + 8; });
        std::sort(it, rest, [&keys](const Entry& a, const Entry& b) {
          const size_t cbA = keys[a.index].cb, cbB = keys[b.index].cb;
          return cbA != cbB ? cbA < cbB : a.index < b.index;
        });
        if (same - rest > 1) {
          work.push_back({static_cast<size_t>(rest - entries.begin()),
                          static_cast<size_t>(same - entries.begin()), range.offset + 8});
        }
      }
      it = same;
    }
  }
  order.resize(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].index;
}

void FindKeyOrder(const std::vector<std::string_view>& keys, std::vector<size_t>& order) {
  // Lowered copies side by side in one buffer, and a word of zeros past the last.
  std::string lowered;
  for (const std::string_view key : keys) lowered.append(key);
  initext::MakeLower(lowered);
  lowered.append(sizeof(uint64_t), '\0');
  std::vector<IniKeyText> texts;
  texts.reserve(keys.size());
  const auto* pText = reinterpret_cast<const unsigned char*>(lowered.data());
  for (const std::string_view key : keys) {
    texts.push_back({pText, key.size()});
    pText += key.size();
  }
  FindKeyOrder(texts, order);
}
