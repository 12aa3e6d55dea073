// The item-type names of korlog: one table, read both ways.

#include "tools/korlog/ItemTypeNames.h"

#include "ini/IniText.h"

namespace itemtypes {
namespace {

struct TypeName {
  int nType;
  const char* pszName;
};

// The first row of each type gives the printed name; the others are accepted aliases.
constexpr TypeName kNames[] = {
    {0, "child"},  {1, "files"},   {2, "files2"}, {3, "reg"},  {4, "reg2"},   {5, "start"},
    {6, "start2"}, {7, "special"}, {1, "files1"}, {3, "reg1"}, {5, "start1"},
};

}  // namespace

std::optional<int> Parse(std::string_view text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '7') return text[0] - '0';
  for (const TypeName& row : kNames) {
    if (initext::EqualsNoCase(text, row.pszName)) return row.nType;
  }
  return std::nullopt;
}

std::string Name(int type) {
  for (const TypeName& row : kNames) {
    if (row.nType == type) return row.pszName;
  }
  return std::to_string(type);
}

std::string Summary() {
  std::string text;
  for (int type = 0; type <= 7; ++type) {
    if (!text.empty()) text += ", ";
    text += std::to_string(type) + " " + Name(type);
  }
  return text;
}

}  // namespace itemtypes
