// Taking parsed INI text into a document; see IniReader.h.
#include "ini/IniReader.h"

#include <cstdint>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "ini/IniKeyOrder.h"
#include "ini/IniText.h"

namespace {

// Below this many items to order, starting a thread costs more than it saves.
constexpr size_t kItemsWorthAThread = 20000;

// Most texts fit in what the last item left: then a copy, without assign's general path.
void Assign(std::string& text, std::string_view part) {
  if (part.size() > text.size()) {
    text.assign(part);
    return;
  }
  text.erase(part.size());
  std::memcpy(text.data(), part.data(), part.size());
}

}  // namespace

void IniReader::Read(BaseIniFile& doc, IniBlockPipeline::Fill fill) {
  IniReader reader(doc);
  IniBlockPipeline pipeline(std::move(fill),
                            [&reader](const IniTextBlock& block) { reader.Take(block); });
  pipeline.Run();
  OrderLateItems(doc);
}

void IniReader::Take(const IniTextBlock& block) {
  const std::vector<IniTextBlock::Line>& lines = block.Lines();
  for (size_t i = 0; i < lines.size(); ++i) {
    const IniTextBlock::Line& line = lines[i];
    if (line.bHeader) {
      m_strName.assign(block.Name(line));
      m_doc.MapSectionName(m_strName);
      m_pSection = m_strName.empty() ? nullptr : m_doc.FindOrCreateSection(m_strName);
      m_posLast = BaseIniSection::Position();
      continue;
    }
    if (!m_pSection) continue;
    if (line.cDisorderedRun > 1) {
      TakeDisorderedRun(block, i);
      i += line.cDisorderedRun - 1;
      continue;
    }
    const std::string_view key = block.Key(line);
    Assign(m_item.key, key);
    Assign(m_item.value, block.Value(line));
    if (!m_doc.FilterItem(m_item)) {
      m_posLast = BaseIniSection::Position();
      continue;
    }
    // What the parser found out about the key holds only while the hook left it alone.
    if (std::string_view(m_item.key) == key) {
      const BaseIniSection::Position after =
          line.bAfterPrevious ? m_posLast : BaseIniSection::Position();
      m_posLast = m_pSection->Insert(m_item.key, m_item.value, after);
    } else {
      m_pSection->SetItem(m_item);
      m_posLast = BaseIniSection::Position();
    }
  }
}

// The hook sees the run's items in the text's order, as always. The items it leaves as
// they were then go in in the order the parser found, each after the one before; if it
// changed any, the order of the text holds for all of them, as a changed key may equal any
// other.
void IniReader::TakeDisorderedRun(const IniTextBlock& block, size_t first) {
  const std::vector<IniTextBlock::Line>& lines = block.Lines();
  const size_t cLines = lines[first].cDisorderedRun;
  m_verdicts.assign(cLines, kDropped);
  m_changed.clear();
  for (size_t k = 0; k < cLines; ++k) {
    const IniTextBlock::Line& line = lines[first + k];
    Assign(m_item.key, block.Key(line));
    Assign(m_item.value, block.Value(line));
    if (!m_doc.FilterItem(m_item)) continue;
    if (std::string_view(m_item.key) == block.Key(line) &&
        std::string_view(m_item.value) == block.Value(line)) {
      m_verdicts[k] = kAsRead;
    } else {
      m_verdicts[k] = kChanged;
      m_changed.push_back(m_item);
    }
  }
  m_posLast = BaseIniSection::Position();
  if (m_changed.empty()) {
    const uint32_t* pSorted = block.RunOrder(first);
    std::string_view previous;  // the key last put in, at posPrevious
    BaseIniSection::Position posPrevious;
    for (size_t k = 0; k < cLines; ++k) {
      const IniTextBlock::Line& line = lines[pSorted[k]];
      if (m_verdicts[pSorted[k] - first] != kAsRead) continue;
      const std::string_view key = block.Key(line);
      const bool bAfter = posPrevious && LoweredKeyBefore(previous, key);
      posPrevious = m_pSection->Insert(key, block.Value(line),
                                       bAfter ? posPrevious : BaseIniSection::Position());
      previous = key;
    }
    return;
  }
  auto pChanged = m_changed.begin();
  for (size_t k = 0; k < cLines; ++k) {
    const IniTextBlock::Line& line = lines[first + k];
    if (m_verdicts[k] == kAsRead) {
      m_pSection->Insert(block.Key(line), block.Value(line), BaseIniSection::Position());
    } else if (m_verdicts[k] == kChanged) {
      m_pSection->SetItem(*pChanged++);
    }
  }
}

void IniReader::OrderLateItems(const BaseIniFile& doc) {
  std::vector<const BaseIniSection*> late;
  size_t cLate = 0;  // the items of those sections: what ordering them costs, roughly
  for (auto pos = doc.GetHeadPosition(); pos;) {
    const BaseIniSection* pSection = doc.GetNext(pos);
    if (!pSection->HasLateItems()) continue;
    late.push_back(pSection);
    cLate += pSection->GetCount();
  }
  // The first sections, up to half the items, go to a helper thread when it pays.
  size_t cHelped = 0;
  if (cLate >= kItemsWorthAThread) {
    for (size_t cItems = 0; cHelped < late.size() && cItems * 2 < cLate; ++cHelped) {
      cItems += late[cHelped]->GetCount();
    }
  }
  std::exception_ptr helperError;
  std::thread helper;
  struct Joiner {  // whatever happens here, the helper is done before this returns
    std::thread& thread;
    ~Joiner() {
      if (thread.joinable()) thread.join();
    }
  } joiner{helper};
  if (cHelped > 0) {
    try {
      helper = std::thread([&late, cHelped, &helperError] {
        try {
          for (size_t i = 0; i < cHelped; ++i) late[i]->PutInOrder();
        } catch (...) {
          helperError = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      cHelped = 0;  // no second thread: all of it here
    }
  }
  for (size_t i = cHelped; i < late.size(); ++i) late[i]->PutInOrder();
  if (helper.joinable()) helper.join();
  if (helperError) std::rethrow_exception(helperError);
}
