// The reference model of the install log; see LogModel.h. Kept deliberately plain: maps
// ordered by the ASCII-folded bytes, and the walks written out as the rules say them.
#include "installlog/tests/LogModel.h"

#include <climits>
#include <set>
#include <vector>

namespace {

std::string Fold(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string Strip(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

// The leading decimal integer, saturating; only its sign and size matter to the rules.
long long Leading(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = n > (LLONG_MAX - 9) / 10 ? LLONG_MAX : n * 10 + (text[i] - '0');
  }
  return negative ? -n : n;
}

bool Links(const std::string& value) { return value.empty() || Leading(value) > 0; }

bool Qualifies(const std::string& value, int number) {
  if (number == 0) return true;
  if (value.empty()) return number == 1;
  return Leading(value) == number;
}

bool HasBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

bool LogModel::TypeInfo(long type, const char** ppszSuffix, int* pnValue) {
  static const char* const kSuffix[] = {"",     "_FILES", "_FILES", "_REG",
                                        "_REG", "_START", "_START", "_SPECIAL"};
  static const int kValue[] = {1, 1, 2, 1, 2, 1, 2, 0};
  if (type < 0 || type > 7) {
    *ppszSuffix = "";
    *pnValue = 0;
    return false;
  }
  *ppszSuffix = kSuffix[type];
  *pnValue = kValue[type];
  return true;
}

const LogModel::Section* LogModel::Find(const std::string& name) const {
  const auto it = m_sections.find(Fold(name));
  return it == m_sections.end() ? nullptr : &it->second;
}

void LogModel::Set(const std::string& section, const std::string& key, const std::string& value) {
  Section& s = m_sections[Fold(section)];
  if (s.name.empty()) s.name = section;
  s.items[Fold(key)] = Item{key, value};
}

bool LogModel::Remove(const std::string& section, const std::string& key,
                      const std::string* pValue) {
  const auto it = m_sections.find(Fold(section));
  if (it == m_sections.end()) return false;
  bool removed = false;
  const auto item = it->second.items.find(Fold(key));
  if (item != it->second.items.end() && (!pValue || item->second.value == *pValue)) {
    it->second.items.erase(item);
    removed = true;
  }
  if (it->second.items.empty()) m_sections.erase(it);
  return removed;
}

bool LogModel::SetValue(const std::string& section, const std::string& key,
                        const std::string& value) {
  if (section.empty() || key.empty()) return false;
  Set(section, key, value);
  return true;
}

bool LogModel::AddItem(long type, const std::string& component, const std::string& item) {
  const char* suffix;
  int number;
  if (!TypeInfo(type, &suffix, &number)) return false;
  if (HasBreak(component) || HasBreak(item)) return false;
  const std::string section = component + suffix;
  std::string key = item, value = std::to_string(number);
  if (number == 0) {
    const size_t eq = item.find('=');
    key = item.substr(0, eq);
    value = eq == std::string::npos ? std::string() : item.substr(eq + 1);
  }
  if (section.empty() || key.empty()) return false;
  if (number == 0 && item.find('=') != std::string::npos) {
    // The saved line must not read back as a section header.
    const std::string line = item;
    const size_t b = line.find_first_not_of(" \t\n\v\f\r");
    const size_t e = line.find_last_not_of(" \t\n\v\f\r");
    if (b != std::string::npos && e - b + 1 >= 3 && line[b] == '[' && line[e] == ']') return false;
  }
  Set(section, key, value);
  return true;
}

bool LogModel::RemoveItem(long type, const std::string& component, const std::string& item) {
  const char* suffix;
  int number;
  if (!TypeInfo(type, &suffix, &number)) return false;
  const std::string value = std::to_string(number);
  return Remove(component + suffix, item, number == 0 ? nullptr : &value);
}

bool LogModel::RemoveComponent(const std::string& component) {
  const std::string parent = GetParent(component);
  if (!parent.empty()) RemoveItem(0, parent, component);
  const std::string folded = Fold(component);
  for (auto it = m_sections.begin(); it != m_sections.end();) {
    const std::string& name = it->second.name;
    const size_t us = name.rfind('_');
    const std::string base = us == std::string::npos || us == 0 ? name : name.substr(0, us);
    it = Fold(base) == folded ? m_sections.erase(it) : std::next(it);
  }
  return true;
}

std::string LogModel::GetParent(const std::string& component) const {
  // Depth first from "Install", each section entered once.
  struct Frame {
    const Section* section;
    std::string name;
    std::map<std::string, Item>::const_iterator next;
  };
  const Section* root = Find("Install");
  if (!root) return std::string();
  std::set<std::string> visited{Fold("Install")};
  std::vector<Frame> stack{{root, "Install", root->items.begin()}};
  const std::string folded = Fold(component);
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.section->items.end()) {
      stack.pop_back();
      continue;
    }
    const Item& item = (top.next++)->second;
    if (Fold(item.key) == folded && Links(item.value)) return top.name;
    const Section* child = Find(item.key);
    if (child && visited.insert(Fold(item.key)).second) {
      stack.push_back({child, item.key, child->items.begin()});
    }
  }
  return std::string();
}

bool LogModel::IsInstalled(const std::string& component) const {
  return !GetParent(component).empty();
}

bool LogModel::HasItem(long type, const std::string& component, const std::string& item) const {
  const char* suffix;
  int number;
  TypeInfo(type, &suffix, &number);
  const Section* s = Find(component + suffix);
  return s && s->items.count(Fold(item)) != 0;
}

std::string LogModel::GetMatchingItem(long type, const std::string& component,
                                      const std::string& substring) const {
  const char* suffix;
  int number;
  TypeInfo(type, &suffix, &number);
  const Section* s = Find(component + suffix);
  if (!s) return std::string();
  const std::string needle = Fold(substring);
  for (const auto& [folded, item] : s->items) {
    if (Qualifies(item.value, number) && folded.find(needle) != std::string::npos) {
      return item.key;
    }
  }
  return std::string();
}

std::string LogModel::GetSpecialItem(long type, const std::string& component,
                                     const std::string& item) const {
  const char* suffix;
  int number;
  TypeInfo(type, &suffix, &number);
  const Section* s = Find(component + suffix);
  if (!s) return std::string();
  const auto it = s->items.find(Fold(item));
  return it == s->items.end() ? std::string() : it->second.value;
}

std::string LogModel::GetAllItems(long type, const std::string& component) const {
  const char* suffix;
  int number;
  TypeInfo(type, &suffix, &number);
  const Section* s = Find(component + suffix);
  if (!s) return std::string();
  std::string list;
  for (const auto& entry : s->items) {
    const Item& item = entry.second;
    if (!Qualifies(item.value, number)) continue;
    list += item.key;
    if (number == 0 && !item.value.empty()) list += "=" + item.value;
    list += "\n";
  }
  return list;
}

std::string LogModel::Text() const {
  std::string text;
  for (const auto& entry : m_sections) {
    text += "[" + entry.second.name + "]\r\n";
    for (const auto& item : entry.second.items) {
      text += item.second.key + "=" + item.second.value + "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

void LogModel::ReadText(const std::string& text) {
  std::string current;  // folded name of the current section; empty for none
  bool inSection = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t lf = text.find('\n', pos);
    if (lf == std::string::npos) lf = text.size();
    const std::string line = Strip(text.substr(pos, lf - pos));
    pos = lf + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 3 && line.front() == '[' && line.back() == ']') {
      const std::string name = line.substr(1, line.size() - 2);
      Section& s = m_sections[Fold(name)];
      if (s.name.empty()) s.name = name;
      current = Fold(name);
      inSection = true;
      continue;
    }
    if (!inSection) continue;
    const size_t eq = line.find('=');
    std::string key = Fold(Strip(line.substr(0, eq)));
    const std::string value = eq == std::string::npos ? std::string() : Strip(line.substr(eq + 1));
    if (key.empty()) continue;
    // The install log's loader: its one renamed key, and entries of value "0" dropped.
    if (key == "portwell") key = "PortwellUtility";
    if (value == "0") continue;
    m_sections[current].items[Fold(key)] = Item{key, value};
  }
}

LogModel LogModel::Reloaded() const {
  LogModel model;
  model.ReadText(Text());
  // A header with nothing under it comes back as an empty section, which the operations
  // never leave behind; Save writes it all the same.
  return model;
}
