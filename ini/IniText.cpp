// Locale-free text rules of the store; see IniText.h.
#include "ini/IniText.h"

#include <cstring>

#include "ini/IniPlatform.h"

namespace initext {
namespace {

bool g_abLead[256] = {};
// False while the code page has no lead bytes, which lets comparisons skip the unit logic.
bool g_bAnyLead = false;

inline unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Eight bytes at a time: names and keys are long paths that mostly share their beginnings.
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

inline uint64_t Load8(const unsigned char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// 0x20 in every byte of w that holds A-Z, nothing elsewhere: or-ing it in lower-cases w.
// Bytes from 0x80 up are masked off before the additions, so no carry crosses a byte.
inline uint64_t UpperBits(uint64_t w) {
  const uint64_t low7 = w & ~kHighs;
  const uint64_t fromA = low7 + kOnes * (0x80 - 'A');
  const uint64_t pastZ = low7 + kOnes * (0x80 - 'Z' - 1);
  return (fromA & ~pastZ & ~w & kHighs) >> 2;
}

inline uint64_t FoldWord(uint64_t w) { return w | UpperBits(w); }

// Single-byte code pages, n >= 8: the n bytes at pIn lower-cased into pOut, which may be
// pIn. The last word may overlap the one before: lower-casing twice changes nothing. It is
// read first, as reading it after the store before it overlaps would stall on that store.
void LowerWords(const unsigned char* pIn, unsigned char* pOut, size_t n) {
  const uint64_t last = FoldWord(Load8(pIn + n - 8));
  for (size_t i = 0; i + 8 < n; i += 8) {
    const uint64_t w = FoldWord(Load8(pIn + i));
    std::memcpy(pOut + i, &w, sizeof w);
  }
  std::memcpy(pOut + n - 8, &last, sizeof last);
}

// Single-byte code pages: every unit is one byte, compared after folding A-Z.
int CompareBytesNoCase(std::string_view a, std::string_view b) {
  const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
  const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  size_t i = 0;
  // Skip the words that agree; the byte loop below then finds the first difference.
  for (; i + 8 <= n; i += 8) {
    const uint64_t wa = Load8(pa + i), wb = Load8(pb + i);
    if (wa != wb && FoldWord(wa) != FoldWord(wb)) break;
  }
  for (; i < n; ++i) {
    if (pa[i] == pb[i]) continue;
    const unsigned char ua = FoldAscii(pa[i]), ub = FoldAscii(pb[i]);
    if (ua != ub) return ua < ub ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

bool IsLeadByte(unsigned char b) { return g_abLead[b]; }

void RefreshLeadBytes() {
  const IIniPlatform& platform = GetIniPlatform();
  g_bAnyLead = false;
  for (int b = 0; b < 256; ++b) {
    g_abLead[b] = platform.IsLeadByte(static_cast<unsigned char>(b));
    g_bAnyLead = g_bAnyLead || g_abLead[b];
  }
}

bool HasLeadBytes() { return g_bAnyLead; }

int CompareNoCase(std::string_view a, std::string_view b) {
  if (!g_bAnyLead) return CompareBytesNoCase(a, b);
  const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
  const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
  size_t ia = 0, ib = 0;
  const size_t na = a.size(), nb = b.size();
  while (ia < na && ib < nb) {
    unsigned ua = pa[ia], ub = pb[ib];
    // A lead byte with its trail forms one unit, compared whole and never case-folded; a
    // lead byte at the very end stands alone.
    if (g_abLead[ua] && ia + 1 < na) {
      ua = (ua << 8) | pa[ia + 1];
      ia += 2;
    } else {
      ua = FoldAscii(static_cast<unsigned char>(ua));
      ia += 1;
    }
    if (g_abLead[ub] && ib + 1 < nb) {
      ub = (ub << 8) | pb[ib + 1];
      ib += 2;
    } else {
      ub = FoldAscii(static_cast<unsigned char>(ub));
      ib += 1;
    }
    if (ua != ub) return ua < ub ? -1 : 1;
  }
  if (ia < na) return 1;
  if (ib < nb) return -1;
  return 0;
}

uint64_t HashNoCase(std::string_view text) {
  // Every byte is folded, trail bytes of double-byte characters too: texts that compare
  // equal are then equal after folding under any code page, so they hash alike, and the
  // hash does not depend on the lead-byte table at all.
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  uint64_t hash = 0x9e3779b97f4a7c15ull ^ n;
  auto mix = [&hash](uint64_t w) {
    hash = (hash ^ w) * 0xff51afd7ed558ccdull;
    hash ^= hash >> 32;
  };
  if (n >= 8) {
    // The last word may overlap the one before; every byte is still folded and mixed in
    // the same way for equal texts, and no short copy is needed.
    for (size_t i = 0; i + 8 < n; i += 8) mix(FoldWord(Load8(p + i)));
    mix(FoldWord(Load8(p + n - 8)));
  } else if (n > 0) {
    uint64_t w = 0;
    for (size_t i = 0; i < n; ++i) w = (w << 8) | p[i];
    mix(FoldWord(w));
  }
  hash ^= hash >> 33;
  hash *= 0xc4ceb9fe1a85ec53ull;
  hash ^= hash >> 33;
  return hash;
}

void MakeLower(char* text, size_t n) {
  auto* p = reinterpret_cast<unsigned char*>(text);
  if (!g_bAnyLead && n >= 8) {
    LowerWords(p, p, n);
    return;
  }
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = p[i];
    if (g_abLead[c]) {
      ++i;  // keep the double-byte character whole
    } else if (c >= 'A' && c <= 'Z') {
      p[i] = static_cast<unsigned char>(c + ('a' - 'A'));
    }
  }
}

void AssignLower(std::string& out, std::string_view text) {
  const size_t n = text.size();
  if (g_bAnyLead || n < 8) {
    out.assign(text);
    MakeLower(out);
    return;
  }
  // Folding while copying reads every word from the source: reading back words just
  // copied, at other offsets than they were written, would stall on the stores.
  out.resize(n);
  LowerWords(reinterpret_cast<const unsigned char*>(text.data()),
             reinterpret_cast<unsigned char*>(out.data()), n);
}

void MakeUpper(std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (g_abLead[c]) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      text[i] = static_cast<char>(c - ('a' - 'A'));
    }
  }
}

size_t FindEquals(std::string_view text) {
  if (!g_bAnyLead) return text.find('=');
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (g_abLead[c]) {
      ++i;
    } else if (c == '=') {
      return i;
    }
  }
  return std::string_view::npos;
}

ItemParts SplitItem(std::string_view line) {
  const size_t eq = FindEquals(line);
  if (eq == std::string_view::npos) return {Trim(line), line.substr(line.size())};
  return {Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

}  // namespace initext
