// The text rules that the whole store shares: the one case-blind comparison of names and
// keys, ASCII lower-casing that keeps double-byte characters whole, white-space stripping
// and the split of header and item lines. All of it is locale-free and works on unsigned bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace initext {

// True when b leads a double-byte character of the system code page (see IIniPlatform).
bool IsLeadByte(unsigned char b);

// Re-reads the lead-byte table from the installed platform; SetIniPlatform calls it.
void RefreshLeadBytes();

// Compares a and b unit by unit ignoring the case of A-Z: <0, 0 or >0. A unit is one byte
// or one double-byte character; a string that is a prefix of the other is the smaller.
int CompareNoCase(std::string_view a, std::string_view b);

// True when the code page has any lead byte (see IsLeadByte).
bool HasLeadBytes();

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

// A hash that agrees with CompareNoCase: names that compare equal hash alike.
uint64_t HashNoCase(std::string_view text);

// Lower-cases A-Z in place; trail bytes of double-byte characters are left alone.
void MakeLower(char* text, size_t n);
inline void MakeLower(std::string& text) { MakeLower(text.data(), text.size()); }

// Sets out to text lower-cased as MakeLower would, in one pass over text.
void AssignLower(std::string& out, std::string_view text);

// Upper-cases a-z in place; trail bytes of double-byte characters are left alone.
void MakeUpper(std::string& text);

// True for the six bytes the store strips: space, \t, \n, \v, \f, \r.
inline bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// True when line is at least three bytes long, begins with '[' and ends with ']'.
inline bool IsSectionHeader(std::string_view line) {
  return line.size() >= 3 && line.front() == '[' && line.back() == ']';
}

// The text without leading and trailing white space.
inline std::string_view Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsSpace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && IsSpace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

// Position of the first '=' that is not the trail byte of a double-byte character, or npos.
size_t FindEquals(std::string_view text);

// An item line split at its first '=' (see FindEquals), both sides stripped of white space;
// a line without '=' is all key, with an empty value. Views into line; no case change.
struct ItemParts {
  std::string_view key;
  std::string_view value;
};
ItemParts SplitItem(std::string_view line);

// Strict weak order under CompareNoCase, for sorted containers; lookups by string_view.
struct LessNoCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) < 0; }
};

}  // namespace initext
