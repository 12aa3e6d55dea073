// Takes INI text into a document: the text is parsed in blocks (see IniBlockPipeline) and
// taken in line by line in the text's order, through the document's hooks; what came out of
// key order is put in its place before Read returns.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ini/BaseIniFile.h"
#include "ini/BaseIniItem.h"
#include "ini/BaseIniSection.h"
#include "ini/IniBlockPipeline.h"
#include "ini/IniTextBlock.h"

class IniReader {
 public:
  // Merges the text that fill gives into doc.
  static void Read(BaseIniFile& doc, IniBlockPipeline::Fill fill);

 private:
  enum Verdict : unsigned char { kDropped, kAsRead, kChanged };

  explicit IniReader(BaseIniFile& doc) : m_doc(doc) {}
  IniReader(const IniReader&) = delete;
  IniReader& operator=(const IniReader&) = delete;

  // Takes in one parsed block. The current section is the only state carried from line to
  // line, and from block to block.
  void Take(const IniTextBlock& block);
  void TakeDisorderedRun(const IniTextBlock& block, size_t first);
  // Puts the items read out of key order in their places, on two threads when there are
  // many: sections are independent, and the ordering is most of reading a shuffled log.
  static void OrderLateItems(const BaseIniFile& doc);

  BaseIniFile& m_doc;
  BaseIniSection* m_pSection = nullptr;
  // The item that the last line gave, while it is the parser's previous line as it was.
  BaseIniSection::Position m_posLast;
  std::string m_strName;            // reused for every header and item, so that taking in a line
  BaseIniItem m_item;               // allocates only for long ones
  std::vector<Verdict> m_verdicts;  // for a disordered run, per line
  std::vector<BaseIniItem> m_changed;
};
