// Parsing of item lines; see BaseIniItem.h.
#include "ini/BaseIniItem.h"

#include "ini/IniText.h"

BaseIniItem BaseIniItem::FromLine(std::string_view line) {
  const initext::ItemParts parts = initext::SplitItem(line);
  BaseIniItem item;
  initext::AssignLower(item.key, parts.key);
  item.value.assign(parts.value);
  return item;
}
