// Splitting and parsing of INI text blocks; see IniTextBlock.h.
#include "ini/IniTextBlock.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "ini/IniText.h"

namespace {

constexpr size_t kSlack = 8;  // past the capacity: a word read at the end of a key stays inside

}  // namespace

IniTextBlock::IniTextBlock(size_t cbCapacity)
    : m_text(new char[cbCapacity + kSlack]), m_cbCapacity(cbCapacity) {}

void IniTextBlock::Restart(std::string_view carried) {
  m_lines.clear();
  m_cbText = m_cbParsed = 0;
  while (m_cbCapacity < carried.size() * 2) Grow();  // the cut line, and room to finish it
  if (!carried.empty()) std::memcpy(m_text.get(), carried.data(), carried.size());
  m_cbText = carried.size();
}

void IniTextBlock::Grow() {
  if (m_cbCapacity > UINT32_MAX / 2) throw std::length_error("INI line too long");
  std::unique_ptr<char[]> text(new char[m_cbCapacity * 2 + kSlack]);
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
  std::memset(m_text.get() + m_cbText, 0, kSlack);  // what ordering reads past the last key
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
  if (initext::IsSectionHeader(line)) {
    Line& header = AddLine(offset(line) + 1, line.size() - 2);
    header.bHeader = true;
    return;
  }
  const initext::ItemParts parts = initext::SplitItem(line);
  if (parts.key.empty()) return;
  const size_t keyBegin = offset(parts.key);
  initext::MakeLower(pText + keyBegin, parts.key.size());
  Line& item = AddLine(keyBegin, parts.key.size());
  item.valueBegin = static_cast<uint32_t>(offset(parts.value));
  item.cbValue = static_cast<uint32_t>(parts.value.size());
}

// Field by field into the table: a line built aside and copied in whole was read back in
// wider pieces than it was written, which stalled every line.
IniTextBlock::Line& IniTextBlock::AddLine(size_t begin, size_t cb) {
  Line& line = m_lines.emplace_back();
  line.begin = static_cast<uint32_t>(begin);
  line.cb = static_cast<uint32_t>(cb);
  return line;
}

// A pass of its own, once the block's keys are lower-cased: reading a key right after
// storing it stalls until the stores are done, and did so on every line.
void IniTextBlock::FindOrder() {
  const bool bAsBytes = LoweredKeysCompareAsBytes();  // once per block, not per line
  const Line* pPrevious = nullptr;                    // the last item line since a header
  size_t runBegin = 0;       // that line's run: the item lines since the header
  bool bDisorder = false;    // in that run, some key came out of order
  std::vector<size_t> runs;  // the first lines of the disordered runs
  const auto endRun = [&](size_t end) {
    if (!bDisorder) return;
    m_lines[runBegin].cDisorderedRun = static_cast<uint32_t>(end - runBegin);
    runs.push_back(runBegin);
  };
  for (size_t i = 0; i < m_lines.size(); ++i) {
    Line& line = m_lines[i];
    if (line.bHeader) {
      endRun(i);
      pPrevious = nullptr;
      bDisorder = false;
      continue;
    }
    if (!pPrevious) runBegin = i;
    line.bAfterPrevious = pPrevious && LoweredKeyBefore(Key(*pPrevious), Key(line), bAsBytes);
    bDisorder = bDisorder || (pPrevious && !line.bAfterPrevious);
    pPrevious = &line;
  }
  endRun(m_lines.size());
  if (runs.empty()) return;
  // Ordering a run costs about twice what parsing it does. Ordered here, the keys are
  // still in this thread's cache and the reader then appends them one after the other
  // instead of indexing each and sorting them all at the end.
  if (m_sorted.size() < m_lines.size()) m_sorted.resize(m_lines.size());
  for (const size_t first : runs) {
    const size_t cLines = m_lines[first].cDisorderedRun;
    m_keys.clear();
    for (size_t i = first; i < first + cLines; ++i) {
      m_keys.push_back(
          {reinterpret_cast<const unsigned char*>(m_text.get() + m_lines[i].begin), m_lines[i].cb});
    }
    FindKeyOrder(m_keys, m_order);
    for (size_t k = 0; k < cLines; ++k) {
      m_sorted[first + k] = static_cast<uint32_t>(first + m_order[k]);
    }
  }
}
