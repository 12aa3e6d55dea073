// One key/value item of an INI section, copied by value, and the read-only view of an item
// that a section holds.
#pragma once

#include <string>
#include <string_view>

struct BaseIniItem {
  std::string key;
  std::string value;

  BaseIniItem() = default;

  // Both texts exactly as passed: no trimming, no case change.
  BaseIniItem(std::string k, std::string v) : key(std::move(k)), value(std::move(v)) {}

  // Parses an item line: split at the first '=' (not a trail byte), both sides stripped of
  // white space, the key lower-cased. A line without '=' is all key with an empty value.
  static BaseIniItem FromLine(std::string_view line);
};

// An item as its section holds it. The texts stay valid until the item is replaced or
// removed.
struct IniItemView {
  std::string_view key;
  std::string_view value;
};
