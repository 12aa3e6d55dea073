// The one reference model of the install log's rules, written apart from the product and
// kept deliberately plain: the sections and keys that the operations keep, the answers they
// give, the text that a save writes and what reading that text back yields. Narrow (ANSI)
// strings, as the server holds them. The unit model test and the reliability driver share it.
#pragma once

#include <map>
#include <string>

class LogModel {
 public:
  bool AddItem(long type, const std::string& component, const std::string& item);
  bool RemoveItem(long type, const std::string& component, const std::string& item);
  bool RemoveComponent(const std::string& component);
  bool IsInstalled(const std::string& component) const;
  bool HasItem(long type, const std::string& component, const std::string& item) const;
  std::string GetMatchingItem(long type, const std::string& component,
                              const std::string& substring) const;
  std::string GetSpecialItem(long type, const std::string& component,
                             const std::string& item) const;
  // The document's own setter: any value, no item-type rules; false for an empty name.
  bool SetValue(const std::string& section, const std::string& key, const std::string& value);
  std::string GetParent(const std::string& component) const;
  std::string GetAllItems(long type, const std::string& component) const;

  // The bytes a save writes: sections and keys in order, "key=value" lines, CR LF ends.
  std::string Text() const;
  // The log as a reload of Text() gives it back: the format's own limits applied.
  LogModel Reloaded() const;
  void ReadText(const std::string& text);

  size_t SectionCount() const { return m_sections.size(); }

 private:
  struct Item {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::map<std::string, Item> items;  // by folded key
  };

  // Section suffix and value number of an item type; false for an invalid type.
  static bool TypeInfo(long type, const char** ppszSuffix, int* pnValue);
  const Section* Find(const std::string& name) const;
  void Set(const std::string& section, const std::string& key, const std::string& value);
  bool Remove(const std::string& section, const std::string& key, const std::string* pValue);

  std::map<std::string, Section> m_sections;  // by folded name
};
