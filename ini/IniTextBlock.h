// A block of INI text in whole lines, split and parsed into the headers and items it holds.
// Parsing needs nothing but the text and the code page's rules, so a reader can parse one
// block on another thread while the document takes in the block before it; it also does
// what it can of the taking in: whether the keys come in order, and where they do not, the
// order they belong in, so that the document can append them one after the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "ini/IniKeyOrder.h"
#include "ini/IniText.h"

class IniTextBlock {
 public:
  // A header or an item line, as offsets into the block's text, which Grow keeps below
  // 4 GB: small, as the parsing thread writes the table and the reader's thread reads it.
  struct Line {
    uint32_t begin;  // a header's name, brackets removed, or an item's key, lower-cased
    uint32_t cb;     // never 0 for an item: lines with an empty key are dropped
    uint32_t valueBegin = 0;
    uint32_t cbValue = 0;
    // On the first item line of a run (item lines up to a header or the block's end) whose
    // keys are not in order: the run's length; 0 on every other line.
    uint32_t cDisorderedRun = 0;
    bool bHeader = false;
    // The key comes after that of the item line before, with no header in between (false
    // when that line is in another block).
    bool bAfterPrevious = false;
  };

  explicit IniTextBlock(size_t cbCapacity);
  IniTextBlock(const IniTextBlock&) = delete;
  IniTextBlock& operator=(const IniTextBlock&) = delete;

  // Empties the block and starts it with carried: the line that the end of the block before
  // cut (see Unparsed).
  void Restart(std::string_view carried);

  // Where the next bytes go, and how many fit; Added records how many were put there.
  char* Room() { return m_text.get() + m_cbText; }
  size_t RoomSize() const { return m_cbCapacity - m_cbText; }
  void Added(size_t cb) { m_cbText += cb; }
  // Doubles the room, keeping the text.
  void Grow();

  // True when the text holds a line feed, i.e. at least one whole line.
  bool HasWholeLine() const;

  // Parses every whole line; with bLast also what follows the last line feed, as the text
  // then ends there. Lines that are empty, comments or items with an empty key are left out.
  void Parse(bool bLast);

  // What follows the last whole line after Parse: the start of a line cut by the block's end.
  std::string_view Unparsed() const { return {m_text.get() + m_cbParsed, m_cbText - m_cbParsed}; }

  const std::vector<Line>& Lines() const { return m_lines; }
  std::string_view Name(const Line& line) const { return {m_text.get() + line.begin, line.cb}; }
  std::string_view Key(const Line& line) const { return Name(line); }
  std::string_view Value(const Line& line) const {
    return {m_text.get() + line.valueBegin, line.cbValue};
  }
  // For the first line of a disordered run: the indexes of its lines in key order, equal
  // keys as they came.
  const uint32_t* RunOrder(size_t firstLine) const { return m_sorted.data() + firstLine; }

 private:
  void ParseLine(size_t begin, size_t end);
  Line& AddLine(size_t begin, size_t cb);
  void FindOrder();

  std::unique_ptr<char[]> m_text;  // and 8 bytes more: see FindKeyOrder
  size_t m_cbCapacity;
  size_t m_cbText = 0;
  size_t m_cbParsed = 0;  // the whole lines: what Restart leaves behind
  std::vector<Line> m_lines;
  std::vector<uint32_t> m_sorted;  // per disordered run, at its first line's index
  std::vector<IniKeyText> m_keys;  // room for ordering a run, kept from run to run
  std::vector<size_t> m_order;
};
