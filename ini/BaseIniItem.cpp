// Parsing of item lines; see BaseIniItem.h.
#include "ini/BaseIniItem.h"

#include "ini/IniText.h"

BaseIniItem BaseIniItem::FromLine(std::string_view line) {
  BaseIniItem item;
  const size_t eq = initext::FindEquals(line);
  if (eq == std::string_view::npos) {
    item.key = initext::Trim(line);
  } else {
    item.key = initext::Trim(line.substr(0, eq));
    item.value = initext::Trim(line.substr(eq + 1));
  }
  initext::MakeLower(item.key);
  return item;
}
