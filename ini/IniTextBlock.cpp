// Splitting and parsing of INI text blocks; see IniTextBlock.h.
#include "ini/IniTextBlock.h"

#include <algorithm>
#include <cstring>

#include "ini/BaseIniFile.h"
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
  FindOrder();
}

void IniTextBlock::ParseLine(size_t begin, size_t end) {
  char* pText = m_text.get();
  const auto offset = [pText](std::string_view part) {
    return static_cast<size_t>(part.data() - pText);
  };
  const std::string_view line = initext::Trim(std::string_view(pText + begin, end - begin));
  if (line.empty() || line.front() == ';') return;
  if (IsSectionHeader(line)) {
    Line& header = AddLine(offset(line) + 1, line.size() - 2);
    header.bHeader = true;
    return;
  }
  const initext::ItemParts parts = initext::SplitItem(line);
  if (parts.key.empty()) return;
  const size_t keyBegin = offset(parts.key);
  initext::MakeLower(pText + keyBegin, parts.key.size());
  Line& item = AddLine(keyBegin, parts.key.size());
  item.valueBegin = offset(parts.value);
  item.cbValue = parts.value.size();
}

// Field by field into the table: a line built aside and copied in whole was read back in
// wider pieces than it was written, which stalled every line.
IniTextBlock::Line& IniTextBlock::AddLine(size_t begin, size_t cb) {
  Line& line = m_lines.emplace_back();
  line.begin = begin;
  line.cb = cb;
  return line;
}

// A pass of its own, once the block's keys are lower-cased: reading a key right after
// storing it stalls until the stores are done, and did so on every line.
void IniTextBlock::FindOrder() {
  const Line* pPrevious = nullptr;  // the last item line since a header
  bool bDisorder = false;           // since that header, some key came out of order
  for (Line& line : m_lines) {
    if (line.bHeader) {
      pPrevious = nullptr;
      bDisorder = false;
      continue;
    }
    const std::string_view key = Key(line);
    line.bAfterPrevious = pPrevious && ComesBefore(Key(*pPrevious), key);
    bDisorder = bDisorder || (pPrevious && !line.bAfterPrevious);
    if (bDisorder) line.hash = IniIndexHash(key);
    pPrevious = &line;
  }
}
