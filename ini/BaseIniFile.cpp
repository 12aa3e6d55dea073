// The INI document: its sections, their changes, and its file; see BaseIniFile.h.
#include "ini/BaseIniFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ini/IniPlatform.h"
#include "ini/IniReader.h"
#include "ini/IniWriter.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

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
  const std::string copy = IniWriter::CopyPath(path);
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
  IniReader::Read(*this, [f](char* p, size_t cb) { return std::fread(p, 1, cb, f); });
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
  IniReader::Read(*this, [&text](char* p, size_t cb) {
    const size_t n = std::min(cb, text.size());
    if (n) std::memcpy(p, text.data(), n);
    text.remove_prefix(n);
    return n;
  });
}

std::string BaseIniFile::ToText() const { return IniWriter::ToText(*this); }

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
  const bool bSaved = IniWriter::Save(*this, path);
  IniFileStamp now;
  if (bSaved || m_sections.empty()) {
    // Even the empty document's false answer leaves the file as the document says.
    TakeInStep(path, platform.GetFileStamp(path, now) ? &now : nullptr);
  } else {
    m_bMarked = true;  // whatever the file holds now, the next save writes it again
  }
  return bSaved;
}

BaseIniFile::Position BaseIniFile::GetHeadPosition() const { return Wrap(m_sections.begin()); }

BaseIniSection* BaseIniFile::GetNext(Position& pos) const {
  BaseIniSection* pSection = pos.m_it->get();
  pos = Wrap(std::next(pos.m_it));
  return pSection;
}
