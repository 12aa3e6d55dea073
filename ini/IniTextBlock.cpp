// Splitting and parsing of INI text blocks; see IniTextBlock.h.
#include "ini/IniTextBlock.h"

#include <algorithm>
#include <cstring>

#include "ini/IniHashIndex.h"
#include "ini/IniText.h"

namespace {

// a < b for two keys as the parser leaves them, lower-cased.
bool ComesBefore(std::string_view a, std::string_view b) {
  if (!initext::OrdersAsLoweredBytes()) return initext::CompareNoCase(a, b) < 0;
  const int order = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  return order != 0 ? order < 0 : a.size() < b.size();
}

}  // namespace

IniTextBlock::IniTextBlock(size_t cbCapacity)
    : m_text(new char[cbCapacity]), m_cbCapacity(cbCapacity) {}

void IniTextBlock::Restart(std::string_view carried) {
  m_lines.clear();
  m_bAfterItem = m_bDisorder = false;
  m_cbText = m_cbParsed = 0;
  while (m_cbCapacity < carried.size() * 2) Grow();  // the cut line, and room to finish it
  if (!carried.empty()) std::memcpy(m_text.get(), carried.data(), carried.size());
  m_cbText = carried.size();
}

void IniTextBlock::Grow() {
  std::unique_ptr<char[]> text(new char[m_cbCapacity * 2]);
  if (m_cbText) std::memcpy(text.get(), m_text.get(), m_cbText);
  m_text = std::move(text);
  m_cbCapacity *= 2;
}

bool IniTextBlock::HasWholeLine() const {
  return m_cbText && std::memchr(m_text.get(), '\n', m_cbText) != nullptr;
}

void IniTextBlock::Parse(bool bLast) {
  const char* pText = m_text.get();
  size_t end = m_cbText;
  if (!bLast) {
    while (end > 0 && pText[end - 1] != '\n') --end;
  }
  m_cbParsed = end;
  for (size_t begin = 0; begin < end;) {
    const void* pLf = std::memchr(pText + begin, '\n', end - begin);
    const size_t lineEnd = pLf ? static_cast<size_t>(static_cast<const char*>(pLf) - pText) : end;
    ParseLine(begin, lineEnd);
    begin = lineEnd + 1;
  }
}

void IniTextBlock::ParseLine(size_t begin, size_t end) {
  const auto isSpace = [this](size_t i) {
    return initext::IsSpace(static_cast<unsigned char>(m_text[i]));
  };
  while (begin < end && isSpace(begin)) ++begin;
  while (end > begin && isSpace(end - 1)) --end;
  if (begin == end || m_text[begin] == ';') return;
  if (end - begin >= 3 && m_text[begin] == '[' && m_text[end - 1] == ']') {
    m_lines.push_back({begin + 1, end - begin - 2, 0, 0, 0, true, false});
    m_bAfterItem = m_bDisorder = false;
    return;
  }
  // An item: split at the first '=' and strip both sides; a line without one is all key.
  const size_t eq = initext::FindEquals(std::string_view(m_text.get() + begin, end - begin));
  size_t keyEnd = end, valueBegin = end;
  if (eq != std::string_view::npos) {
    keyEnd = begin + eq;
    valueBegin = keyEnd + 1;
    while (keyEnd > begin && isSpace(keyEnd - 1)) --keyEnd;
    while (valueBegin < end && isSpace(valueBegin)) ++valueBegin;
  }
  if (keyEnd == begin) return;
  char* pKey = m_text.get() + begin;
  const size_t cbKey = keyEnd - begin;
  initext::MakeLower(pKey, cbKey);
  const std::string_view key(pKey, cbKey);
  const bool bAfterPrevious = m_bAfterItem && ComesBefore(Key(m_lines.back()), key);
  m_bDisorder = m_bDisorder || (m_bAfterItem && !bAfterPrevious);
  const uint32_t hash = m_bDisorder ? IniIndexHash(key) : 0;
  m_lines.push_back({begin, cbKey, valueBegin, end - valueBegin, hash, false, bAfterPrevious});
  m_bAfterItem = true;
}
