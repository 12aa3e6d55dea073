// The INI document, its reading from text and its writing in normal form; see BaseIniFile.h.
#include "ini/BaseIniFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "ini/IniBlockPipeline.h"
#include "ini/IniPlatform.h"
#include "ini/IniTextBlock.h"

namespace {

constexpr size_t kChunk = 1 << 16;
// Below this many items to order, starting a thread costs more than it saves.
constexpr size_t kItemsWorthAThread = 20000;
constexpr std::string_view kEol = "\r\n";
// Beside the file: the text being written, and the whole text while the file may be torn.
constexpr char kTempSuffix[] = ".tmp";
constexpr char kCopySuffix[] = ".new";

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

// Takes parsed blocks into the document, line by line in the text's order. The current
// section is the only state carried from line to line, and from block to block.
class IniLineReader {
 public:
  explicit IniLineReader(BaseIniFile& doc) : m_doc(doc) {}

  void Take(const IniTextBlock& block) {
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

 private:
  enum Verdict : unsigned char { kDropped, kAsRead, kChanged };

  // The hook sees the run's items in the text's order, as always. The items it leaves as
  // they were then go in in key order, each after the one before; if it changed any, the
  // order of the text holds for all of them, as a changed key may equal any other.
  void TakeDisorderedRun(const IniTextBlock& block, size_t first) {
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
      const uint32_t* pSorted = block.RunOrder(first, m_orderRoom);
      std::string_view previous;  // the key last put in, at posPrevious
      BaseIniSection::Position posPrevious;
      for (size_t k = 0; k < cLines; ++k) {
        const IniTextBlock::Line& line = lines[pSorted[k]];
        if (m_verdicts[pSorted[k] - first] != kAsRead) continue;
        const std::string_view key = block.Key(line);
        const bool bAfter = posPrevious && IniTextBlock::KeyBefore(previous, key);
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

  // Most texts fit in what the last item left: then a copy, without assign's general path.
  static void Assign(std::string& text, std::string_view part) {
    if (part.size() > text.size()) {
      text.assign(part);
      return;
    }
    text.erase(part.size());
    std::memcpy(text.data(), part.data(), part.size());
  }

  BaseIniFile& m_doc;
  BaseIniSection* m_pSection = nullptr;
  // The item that the last line gave, while it is the parser's previous line as it was.
  BaseIniSection::Position m_posLast;
  std::string m_strName;            // reused for every header and item, so that taking in a line
  BaseIniItem m_item;               // allocates only for long ones
  std::vector<Verdict> m_verdicts;  // for a disordered run, per line
  std::vector<BaseIniItem> m_changed;
  IniTextBlock::OrderRoom m_orderRoom;  // for the runs the parser left to the reader
};

// Reads the text that fill gives into doc.
static void ReadInto(BaseIniFile& doc, IniBlockPipeline::Fill fill) {
  IniLineReader reader(doc);
  IniBlockPipeline pipeline(std::move(fill),
                            [&reader](const IniTextBlock& block) { reader.Take(block); });
  pipeline.Run();
}

// Writes the normal form in large blocks to a file, or collects it in a string.
class IniTextWriter {
 public:
  explicit IniTextWriter(std::FILE* f) : m_pFile(f) { m_strBuffer.reserve(kChunk * 4); }

  void Write(const BaseIniFile& doc) {
    for (auto pos = doc.GetHeadPosition(); pos;) {
      const BaseIniSection* pSection = doc.GetNext(pos);
      Append("[");
      AppendText(pSection->name);
      Append("]");
      Append(kEol);
      for (auto itemPos = pSection->GetHeadPosition(); itemPos;) {
        const IniItemView item = pSection->GetNext(itemPos);
        AppendText(item.key);
        Append("=");
        AppendText(item.value);
        Append(kEol);
      }
      Append(kEol);
    }
    Flush();
  }

  bool Failed() const { return m_bFailed; }
  std::string TakeText() { return std::move(m_strBuffer); }

 private:
  // Stored text: a line feed inside it is written as text mode writes every line feed.
  void AppendText(std::string_view text) {
    for (size_t lf; (lf = text.find('\n')) != std::string_view::npos;) {
      Append(text.substr(0, lf));
      Append(kEol);
      text.remove_prefix(lf + 1);
    }
    Append(text);
  }

  void Append(std::string_view text) {
    m_strBuffer.append(text);
    if (m_pFile && m_strBuffer.size() >= kChunk * 4) Flush();
  }

  void Flush() {
    if (!m_pFile || m_strBuffer.empty()) return;
    if (std::fwrite(m_strBuffer.data(), 1, m_strBuffer.size(), m_pFile) != m_strBuffer.size()) {
      m_bFailed = true;
    }
    m_strBuffer.clear();
  }

  std::FILE* m_pFile;
  std::string m_strBuffer;
  bool m_bFailed = false;
};

void BaseIniFile::MapSectionName(std::string&) {}

bool BaseIniFile::FilterItem(BaseIniItem&) { return true; }

BaseIniFile::Position BaseIniFile::FindSection(std::string_view name) const {
  const auto* pFound = m_index.Find(name);
  return pFound ? Position(*pFound) : Position();
}

BaseIniFile::Position BaseIniFile::LowerBound(std::string_view name) const {
  return Wrap(m_sections.lower_bound(name));
}

BaseIniSection* BaseIniFile::FindOrCreateSection(std::string_view name) {
  const uint32_t hash = m_index.Hash(name);
  if (const auto* pFound = m_index.Find(name, hash)) return (*pFound)->get();
  const auto it = m_sections.emplace_hint(m_sections.lower_bound(name),
                                          std::make_unique<BaseIniSection>(std::string(name)));
  m_index.Insert(it, hash);
  (*it)->m_pChanges = &m_cChanges;
  ++m_cChanges;
  return it->get();
}

bool BaseIniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || key.empty()) return false;
  FindOrCreateSection(section)->SetItem(key, value);
  return true;
}

std::string BaseIniFile::GetValue(std::string_view section, std::string_view key) const {
  const Position pos = FindSection(section);
  if (!pos) return std::string();
  const BaseIniSection* pSection = GetAt(pos);
  const auto itemPos = pSection->FindItem(key);
  return itemPos ? std::string(pSection->GetAt(itemPos).value) : std::string();
}

bool BaseIniFile::RemoveValue(std::string_view section, std::string_view key,
                              std::optional<std::string_view> value) {
  const Position pos = FindSection(section);
  if (!pos) return false;
  BaseIniSection* pSection = GetAt(pos);
  bool bRemoved = false;
  const auto itemPos = pSection->FindItem(key);
  if (itemPos && (!value || pSection->GetAt(itemPos).value == *value)) {
    pSection->RemoveAt(itemPos);
    bRemoved = true;
  }
  if (pSection->IsEmpty()) RemoveAt(pos);
  return bRemoved;
}

bool BaseIniFile::Read(const std::string& path) {
  IIniPlatform& platform = GetIniPlatform();
  const bool bFresh = m_sections.empty();
  const bool bMarkedBefore = m_bMarked;
  m_bMarked = false;
  // A complete copy beside the file means a rewrite in place was cut short (see Save): the
  // copy is the log. Put it back in the file's place; while that is refused, read the copy.
  const std::string copy = path + kCopySuffix;
  FilePtr file(std::fopen(copy.c_str(), "rb"));
  bool bFromCopy = false;
  if (file) {
    file.reset();
    if (platform.ReplaceFile(copy, path) != 0) {
      file.reset(std::fopen(copy.c_str(), "rb"));
      bFromCopy = file != nullptr;
    }
  }
  // Opened without sharing restrictions; a missing file is created empty, as the log's
  // readers have always done.
  if (!file) file.reset(std::fopen(path.c_str(), "rb"));
  if (!file) {
    file.reset(std::fopen(path.c_str(), "a+b"));
    if (!file) {
      m_bMarked = m_bMarked || bMarkedBefore;
      return false;
    }
  }
  IniFileStamp before;
  const bool bStamped = !bFromCopy && platform.GetFileStamp(path, before);
  std::FILE* f = file.get();
  ReadInto(*this, [f](char* p, size_t cb) { return std::fread(p, 1, cb, f); });
  OrderLateItems();
  const bool bRead = !std::ferror(f);
  file.reset();
  // Stamps taken before and after the reading tell that nobody wrote the file meanwhile.
  IniFileStamp after;
  if (bFresh && bRead && !m_bMarked && bStamped && platform.GetFileStamp(path, after) &&
      after == before) {
    TakeInStep(path, &after);
  } else {
    if (bFresh) m_inStep.bValid = false;
    m_bMarked = m_bMarked || bMarkedBefore;
  }
  return bRead;
}

void BaseIniFile::ReadText(std::string_view text) {
  ReadInto(*this, [&text](char* p, size_t cb) {
    const size_t n = std::min(cb, text.size());
    if (n) std::memcpy(p, text.data(), n);
    text.remove_prefix(n);
    return n;
  });
  OrderLateItems();
}

void BaseIniFile::OrderLateItems() {
  std::vector<const BaseIniSection*> late;
  size_t cLate = 0;  // the items of those sections: what ordering them costs, roughly
  for (const auto& pSection : m_sections) {
    if (!pSection->HasLateItems()) continue;
    late.push_back(pSection.get());
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

std::string BaseIniFile::ToText() const {
  IniTextWriter writer(nullptr);
  writer.Write(*this);
  return writer.TakeText();
}

bool BaseIniFile::IsChanged() const {
  return !m_inStep.bValid || m_bMarked || m_inStep.cChanges != m_cChanges;
}

void BaseIniFile::TakeInStep(const std::string& path, const IniFileStamp* pStamp) const {
  m_bMarked = false;
  m_inStep.bValid = pStamp != nullptr;
  m_inStep.path = path;
  if (pStamp) m_inStep.stamp = *pStamp;
  m_inStep.cChanges = m_cChanges;
}

bool BaseIniFile::Save(const std::string& path) const {
  IIniPlatform& platform = GetIniPlatform();
  if (!IsChanged() && path == m_inStep.path) {
    IniFileStamp now;
    if (platform.GetFileStamp(path, now) && now == m_inStep.stamp) return !m_sections.empty();
  }
  const bool bSaved = Write(path);
  IniFileStamp now;
  if (bSaved || m_sections.empty()) {
    // Even the empty document's false answer leaves the file as the document says.
    TakeInStep(path, platform.GetFileStamp(path, now) ? &now : nullptr);
  } else {
    m_bMarked = true;  // whatever the file holds now, the next save writes it again
  }
  return bSaved;
}

bool BaseIniFile::Write(const std::string& path) const {
  IIniPlatform& platform = GetIniPlatform();
  if (m_sections.empty()) {
    // An empty document still empties the file, as it always has.
    FilePtr file(std::fopen(path.c_str(), "wb"));
    return false;
  }
  // Write the new text beside the log and swap it in, so that a crash or a full disk
  // leaves the old log or the new one, never a torn one.
  const std::string temp = path + kTempSuffix;
  {
    FilePtr file(std::fopen(temp.c_str(), "wb"));
    if (!file) return false;
    IniTextWriter writer(file.get());
    writer.Write(*this);
    const bool bCommitted = !writer.Failed() && platform.CommitFile(file.get());
    const bool bClosed = std::fclose(file.release()) == 0;
    if (!bCommitted || !bClosed) {
      platform.RemoveFile(temp);
      return false;
    }
  }
  // The complete text first becomes the copy that Read trusts over the log, then the log.
  // Both steps are single renames, so at every moment the copy or the log is whole.
  const std::string copy = path + kCopySuffix;
  if (platform.ReplaceFile(temp, copy) != 0) {
    platform.RemoveFile(temp);
    return false;
  }
  const int error = platform.ReplaceFile(copy, path);
  if (error == 0) return true;
  if (!platform.IsSharingError(error)) {
    platform.RemoveFile(copy);
    return false;
  }

  // Another process holds the log open and the system will not swap it: rewrite it in
  // place, which is what a plain save would have done. Until that is done and flushed the
  // copy stays, so a crash in between leaves the whole text for the next Read.
  FilePtr file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    platform.RemoveFile(copy);  // the log was not touched
    return false;
  }
  IniTextWriter writer(file.get());
  writer.Write(*this);
  const bool bOk = !writer.Failed() && platform.CommitFile(file.get());
  const bool bClosed = std::fclose(file.release()) == 0;
  if (!bOk || !bClosed) return false;
  platform.RemoveFile(copy);
  return true;
}

BaseIniFile::Position BaseIniFile::GetHeadPosition() const { return Wrap(m_sections.begin()); }

BaseIniSection* BaseIniFile::GetNext(Position& pos) const {
  BaseIniSection* pSection = pos.m_it->get();
  pos = Wrap(std::next(pos.m_it));
  return pSection;
}
