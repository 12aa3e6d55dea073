// Locale-free text rules of the store; see IniText.h.
#include "ini/IniText.h"

#include "ini/IniPlatform.h"

namespace initext {
namespace {

bool g_abLead[256] = {};
// False while the code page has no lead bytes, which lets comparisons skip the unit logic.
bool g_bAnyLead = false;

inline unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Single-byte code pages: every unit is one byte, compared after folding A-Z.
int CompareBytesNoCase(std::string_view a, std::string_view b) {
  const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
  const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
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
  // FNV-1a over the folded units; trail bytes of double-byte characters go in unfolded.
  uint64_t hash = 1469598103934665603ull;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = p[i];
    if (g_abLead[c] && i + 1 < n) {
      hash = (hash ^ c) * 1099511628211ull;
      c = p[++i];
    } else {
      c = FoldAscii(c);
    }
    hash = (hash ^ c) * 1099511628211ull;
  }
  return hash;
}

void MakeLower(std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (g_abLead[c]) {
      ++i;  // keep the double-byte character whole
    } else if (c >= 'A' && c <= 'Z') {
      text[i] = static_cast<char>(c + ('a' - 'A'));
    }
  }
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

std::string_view Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsSpace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && IsSpace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

size_t FindEquals(std::string_view text) {
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

}  // namespace initext
