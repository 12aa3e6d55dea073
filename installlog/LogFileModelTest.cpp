// Random sequences of client operations against a deliberately plain model of the install
// log (vectors and linear scans, nothing clever): every answer and the saved text agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "installlog/LogFile.h"
#include "installlog/tests/FakeInstallPlatform.h"

namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Less(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(Fold(x)) < static_cast<unsigned char>(Fold(y));
  });
}

bool Same(const std::string& a, const std::string& b) { return !Less(a, b) && !Less(b, a); }

std::string Lower(std::string s) {
  for (char& c : s) c = Fold(c);
  return s;
}

long long LeadingInt(const std::string& s) { return std::strtoll(s.c_str(), nullptr, 10); }

struct Item {
  std::string key, value;
};
struct Section {
  std::string name;
  std::vector<Item> items;
};

// The install log as the rules describe it, one linear scan at a time.
class Model {
 public:
  bool SetValue(const std::string& sec, const std::string& key, const std::string& value) {
    if (sec.empty() || key.empty()) return false;
    Section* s = Find(sec);
    if (!s) s = &m_sections.emplace_back(Section{sec, {}});
    for (Item& item : s->items) {
      if (Same(item.key, key)) {
        item = {key, value};
        return true;
      }
    }
    s->items.push_back({key, value});
    return true;
  }

  bool RemoveValue(const std::string& sec, const std::string& key,
                   std::optional<std::string> value) {
    Section* s = Find(sec);
    if (!s) return false;
    bool removed = false;
    for (size_t i = 0; i < s->items.size(); ++i) {
      if (Same(s->items[i].key, key) && (!value || s->items[i].value == *value)) {
        s->items.erase(s->items.begin() + i);
        removed = true;
        break;
      }
    }
    if (s->items.empty()) {
      m_sections.erase(m_sections.begin() + (s - m_sections.data()));
    }
    return removed;
  }

  static bool Valid(int type) { return type >= 0 && type <= 7; }
  static int Number(int type) {
    return !Valid(type) || type == 7 ? 0 : type == 0 ? 1 : 2 - type % 2;
  }
  static std::string Name(int type, const std::string& c) {
    static const char* const suffixes[] = {"",     "_FILES", "_FILES", "_REG",
                                           "_REG", "_START", "_START", "_SPECIAL"};
    return Valid(type) ? c + suffixes[type] : c;
  }

  bool AddItem(int type, const std::string& c, const std::string& item) {
    if (!Valid(type)) return false;
    if (type != 7) return SetValue(Name(type, c), item, std::to_string(Number(type)));
    const size_t eq = item.find('=');
    if (eq == std::string::npos) return SetValue(Name(type, c), item, "");
    return SetValue(Name(type, c), item.substr(0, eq), item.substr(eq + 1));
  }

  bool RemoveItem(int type, const std::string& c, const std::string& item) {
    if (!Valid(type)) return false;
    if (type == 7) return RemoveValue(Name(type, c), item, std::nullopt);
    return RemoveValue(Name(type, c), item, std::to_string(Number(type)));
  }

  std::string GetParent(const std::string& c) const {
    std::vector<std::string> visited;
    return Search("Install", c, visited);
  }

  void RemoveComponent(const std::string& c) {
    const std::string parent = GetParent(c);
    if (!parent.empty()) RemoveItem(0, parent, c);
    for (size_t i = 0; i < m_sections.size();) {
      const std::string& n = m_sections[i].name;
      const size_t u = n.rfind('_');
      const std::string base = (u == std::string::npos || u == 0) ? n : n.substr(0, u);
      if (Same(base, c)) {
        m_sections.erase(m_sections.begin() + i);
      } else {
        ++i;
      }
    }
  }

  bool HasItem(int type, const std::string& c, const std::string& item) const {
    const Section* s = Find(Name(type, c));
    if (!s) return false;
    for (const Item& i : s->items) {
      if (Same(i.key, item)) return true;
    }
    return false;
  }

  std::string GetSpecialItem(int type, const std::string& c, const std::string& item) const {
    const Section* s = Find(Name(type, c));
    if (!s) return "";
    for (const Item& i : s->items) {
      if (Same(i.key, item)) return i.value;
    }
    return "";
  }

  std::string GetMatchingItem(int type, const std::string& c, const std::string& sub) const {
    const Section* s = Find(Name(type, c));
    if (!s) return "";
    for (const Item& i : Sorted(s->items)) {
      if (Counts(i.value, Number(type)) && Lower(i.key).find(Lower(sub)) != std::string::npos) {
        return i.key;
      }
    }
    return "";
  }

  std::string GetAllItems(int type, const std::string& c) const {
    const Section* s = Find(Name(type, c));
    if (!s) return "";
    std::string out;
    for (const Item& i : Sorted(s->items)) {
      if (!Counts(i.value, Number(type))) continue;
      out += i.key;
      if (Number(type) == 0 && !i.value.empty()) out += "=" + i.value;
      out += "\n";
    }
    return out;
  }

  std::string ToText() const {
    std::vector<Section> sections = m_sections;
    std::sort(sections.begin(), sections.end(),
              [](const Section& a, const Section& b) { return Less(a.name, b.name); });
    std::string out;
    for (const Section& s : sections) {
      out += "[" + s.name + "]\r\n";
      for (const Item& i : Sorted(s.items)) out += i.key + "=" + i.value + "\r\n";
      out += "\r\n";
    }
    return out;
  }

 private:
  static bool Counts(const std::string& value, int number) {
    return number == 0 || LeadingInt(value) == number || (value.empty() && number == 1);
  }

  static std::vector<Item> Sorted(std::vector<Item> items) {
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return Less(a.key, b.key); });
    return items;
  }

  std::string Search(const std::string& s, const std::string& name,
                     std::vector<std::string>& visited) const {
    const Section* sec = Find(s);
    if (!sec) return "";
    for (const std::string& v : visited) {
      if (Same(v, s)) return "";
    }
    visited.push_back(s);
    for (const Item& i : Sorted(sec->items)) {
      if (Same(i.key, name) && (i.value.empty() || LeadingInt(i.value) > 0)) return s;
      const std::string r = Search(i.key, name, visited);
      if (!r.empty()) return r;
    }
    return "";
  }

  Section* Find(const std::string& name) {
    for (Section& s : m_sections) {
      if (Same(s.name, name)) return &s;
    }
    return nullptr;
  }
  const Section* Find(const std::string& name) const {
    return const_cast<Model*>(this)->Find(name);
  }

  std::vector<Section> m_sections;
};

TEST(LogFileModel, RandomOperationsAgreeWithThePlainModel) {
  const std::vector<std::string> components = {"Install",   "A", "a",  "B",      "a_B",
                                               "A_b_FILES", "C", "_x", "Driver", ""};
  const std::vector<std::string> items = {"A",   "b",     "B",  "C", "a_B", "Install", "x",
                                          "k=v", "K=w=1", "=z", "",  "_x",  "READ me"};
  const std::vector<std::string> values = {"", "0", "-1", "1", "2", " 7", "x", "2x"};
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const auto pick = [&](const std::vector<std::string>& from) {
      return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng)];
    };
    FakeInstallPlatform platform;
    LogFile log(platform);
    Model model;
    for (int step = 0; step < 400; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      const int type = std::uniform_int_distribution<int>(-1, 9)(rng);
      const std::string c = pick(components), item = pick(items);
      switch (std::uniform_int_distribution<int>(0, 9)(rng)) {
        case 0:
        case 1:
          ASSERT_EQ(log.AddItem(type, c, item), model.AddItem(type, c, item));
          break;
        case 2: {
          const std::string v = pick(values);
          ASSERT_EQ(log.SetValue(c, item, v), model.SetValue(c, item, v));
          break;
        }
        case 3:
          ASSERT_EQ(log.RemoveItem(type, c, item), model.RemoveItem(type, c, item));
          break;
        case 4:
          ASSERT_TRUE(log.RemoveComponent(c));
          model.RemoveComponent(c);
          break;
        case 5:
          ASSERT_EQ(log.GetParent(c), model.GetParent(c));
          ASSERT_EQ(log.IsInstalled(c), !model.GetParent(c).empty());
          break;
        case 6:
          ASSERT_EQ(log.HasItem(type, c, item), model.HasItem(type, c, item));
          break;
        case 7:
          ASSERT_EQ(log.GetSpecialItem(type, c, item), model.GetSpecialItem(type, c, item));
          break;
        case 8:
          ASSERT_EQ(log.GetMatchingItem(type, c, item), model.GetMatchingItem(type, c, item));
          break;
        default:
          ASSERT_EQ(log.GetAllItems(type, c), model.GetAllItems(type, c));
          break;
      }
      ASSERT_EQ(log.ToText(), model.ToText());
    }
  }
}

}  // namespace
