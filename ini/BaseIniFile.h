// An INI document: sections in ascending name order under the store's case-blind
// comparison, each owning its items; its text form is read with Read (see IniReader) and
// written with Save (see IniWriter).
// Derived documents adjust what is read through MapSectionName and FilterItem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "ini/BaseIniItem.h"
#include "ini/BaseIniSection.h"
#include "ini/IniHashIndex.h"
#include "ini/IniPlatform.h"
#include "ini/IniPosition.h"
#include "ini/IniText.h"

class BaseIniFile {
  struct SectionLess {
    using is_transparent = void;
    static std::string_view NameOf(const std::unique_ptr<BaseIniSection>& s) { return s->name; }
    static std::string_view NameOf(std::string_view name) { return name; }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
      return initext::CompareNoCase(NameOf(a), NameOf(b)) < 0;
    }
  };
  using Sections = std::set<std::unique_ptr<BaseIniSection>, SectionLess>;
  struct SectionName {
    std::string_view operator()(Sections::const_iterator it) const { return (*it)->name; }
  };

 public:
  using Position = IniPosition<Sections::const_iterator, BaseIniFile>;

  BaseIniFile() = default;
  virtual ~BaseIniFile() = default;
  BaseIniFile(const BaseIniFile&) = delete;
  BaseIniFile& operator=(const BaseIniFile&) = delete;

  // Called by Read with every section name read, brackets removed; may change it in place.
  // An empty name drops the items up to the next header. The base changes nothing. Like
  // FilterItem, it is called in the text's order on the thread that called Read, and must
  // leave the document alone.
  virtual void MapSectionName(std::string& name);

  // Called by Read with every parsed item whose key is not empty; may change it in place.
  // False drops the item. The base keeps everything.
  virtual bool FilterItem(BaseIniItem& item);

  // The section whose name equals name ignoring case, or no position.
  Position FindSection(std::string_view name) const;

  // The first section whose name is not less than name ignoring case, or no position.
  Position LowerBound(std::string_view name) const;

  // The section of that name, created in name order when missing; never null. An existing
  // section keeps the name it was created with.
  BaseIniSection* FindOrCreateSection(std::string_view name);

  // Stores key=value in the section, creating it when needed; key and value exactly as
  // passed. False, and no change, when the section name or the key is empty.
  bool SetValue(std::string_view section, std::string_view key, std::string_view value);

  // The stored value, or the empty string when section or key is missing.
  std::string GetValue(std::string_view section, std::string_view key) const;

  // Removes the key (only when its value equals *value byte for byte, if given). The section
  // goes when it is left without items, even if nothing was removed. True if removed.
  bool RemoveValue(std::string_view section, std::string_view key,
                   std::optional<std::string_view> value = std::nullopt);

  // Merges the text file at path into the document; a missing file is created empty.
  // False if the file could be neither opened nor created, or a read error stopped it
  // (what was read before stays merged). Read into an empty document, the file as it was
  // read is what the document is in step with (see Save), unless a hook changed something.
  bool Read(const std::string& path);

  // Merges INI text into the document, exactly as Read does with a file's contents.
  void ReadText(std::string_view text);

  // Writes the whole document in normal form, replacing the file in one step. False (and
  // the old file untouched) when it cannot be written; a document without sections leaves
  // an empty file and returns false. Writes nothing, and answers as a write would, while
  // the document has not changed since it last read or saved that path and the file is
  // still the one it read or wrote then (the platform's file stamp): the bytes are there.
  bool Save(const std::string& path) const;

  // True when the document may differ from the file it was last read from or saved to.
  bool IsChanged() const;

  // The document in normal form, exactly the bytes Save writes.
  std::string ToText() const;

  Position GetHeadPosition() const;
  // The section at pos; pos moves to the next section, or to no position after the last.
  BaseIniSection* GetNext(Position& pos) const;
  BaseIniSection* GetAt(Position pos) const { return pos.m_it->get(); }
  size_t GetCount() const { return m_sections.size(); }
  bool IsEmpty() const { return m_sections.empty(); }
  // Removes the section at pos from the document and destroys it.
  void RemoveAt(Position pos) {
    m_index.Erase(pos.m_it);
    m_sections.erase(pos.m_it);
    ++m_cChanges;
  }
  void RemoveAll() {
    if (!m_sections.empty()) ++m_cChanges;
    m_index.Clear();
    m_sections.clear();
  }

 protected:
  // For hooks that change what Read takes in: the document then differs from the file.
  void MarkChanged() const { m_bMarked = true; }

 private:
  // The file the document last read or saved, while nothing has changed since.
  struct InStep {
    bool bValid = false;
    std::string path;
    IniFileStamp stamp;
    std::uint64_t cChanges = 0;  // m_cChanges then
  };
  // Records that the document now holds exactly what the file at path holds; without a
  // stamp nothing can vouch for the file later, so the next save writes.
  void TakeInStep(const std::string& path, const IniFileStamp* pStamp) const;

  Position Wrap(Sections::const_iterator it) const {
    return it == m_sections.end() ? Position() : Position(it);
  }

  Sections m_sections;                                          // the order and the positions
  IniHashIndex<Sections::const_iterator, SectionName> m_index;  // the lookups by name
  // Every change to sections or items counts here, so Save can tell "nothing happened".
  std::uint64_t m_cChanges = 0;
  mutable bool m_bMarked = false;
  mutable InStep m_inStep;
};
