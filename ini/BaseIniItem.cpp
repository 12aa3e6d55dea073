// Parsing of item lines; see BaseIniItem.h.
#include "ini/BaseIniItem.h"

#include "ini/IniText.h"

BaseIniItem BaseIniItem::FromLine(std::string_view line) {
  BaseIniItem item;
  item.AssignLine(line);
  return item;
}

void BaseIniItem::AssignLine(std::string_view line) {
  const size_t eq = initext::FindEquals(line);
  if (eq == std::string_view::npos) {
    initext::AssignLower(key, initext::Trim(line));
    value.clear();
  } else {
    initext::AssignLower(key, initext::Trim(line.substr(0, eq)));
    value.assign(initext::Trim(line.substr(eq + 1)));
  }
}
