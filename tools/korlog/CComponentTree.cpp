// The component tree: a depth-first walk over "all items of type child" answers, ancestors
// and already expanded components tracked ignoring case.

#include "tools/korlog/CComponentTree.h"

#include <set>

#include "ini/IniText.h"

namespace {

using NameSet = std::set<std::string, initext::LessNoCase>;

class CTreeWalk {
 public:
  explicit CTreeWalk(const CComponentTree::ItemSource& source) : m_source(source) {}

  // Fills node (whose name is set) and its subtree; false when a call failed.
  bool Expand(CComponentNode& node) {
    std::optional<std::vector<std::string>> children = Items(0, node.name);
    if (!children) return false;
    node.cChildren = children->size();
    if (!Count(1, node.name, node.cFiles) || !Count(2, node.name, node.cFiles) ||
        !Count(3, node.name, node.cReg) || !Count(4, node.name, node.cReg) ||
        !Count(5, node.name, node.cStart) || !Count(6, node.name, node.cStart) ||
        !Count(7, node.name, node.cSpecial)) {
      return false;
    }
    m_expanded.insert(node.name);
    m_path.insert(node.name);
    for (std::string& name : *children) {
      CComponentNode child;
      child.name = std::move(name);
      if (m_path.count(child.name)) {
        child.mark = CComponentNode::Mark::kCycle;
      } else if (m_expanded.count(child.name)) {
        child.mark = CComponentNode::Mark::kRepeat;
      } else if (!Expand(child)) {
        return false;
      }
      node.children.push_back(std::move(child));
    }
    m_path.erase(node.name);
    return true;
  }

 private:
  std::optional<std::vector<std::string>> Items(int type, const std::string& component) {
    std::optional<std::string> text = m_source(type, component);
    if (!text) return std::nullopt;
    return CComponentTree::SplitLines(*text);
  }

  bool Count(int type, const std::string& component, size_t& count) {
    std::optional<std::vector<std::string>> items = Items(type, component);
    if (!items) return false;
    count += items->size();
    return true;
  }

  const CComponentTree::ItemSource& m_source;
  NameSet m_path;
  NameSet m_expanded;
};

std::string Counts(const CComponentNode& node) {
  return "[files " + std::to_string(node.cFiles) + ", reg " + std::to_string(node.cReg) +
         ", start " + std::to_string(node.cStart) + ", special " + std::to_string(node.cSpecial) +
         "]";
}

void Draw(const CComponentNode& node, const std::string& prefix, std::string& text) {
  for (size_t i = 0; i < node.children.size(); ++i) {
    const CComponentNode& child = node.children[i];
    const bool bLast = i + 1 == node.children.size();
    text += prefix + (bLast ? "\\---" : "+---") + child.name;
    switch (child.mark) {
      case CComponentNode::Mark::kCycle:
        text += "  (cycle)\n";
        break;
      case CComponentNode::Mark::kRepeat:
        text += "  (shown above)\n";
        break;
      case CComponentNode::Mark::kNone:
        text += "  " + Counts(child) + "\n";
        Draw(child, prefix + (bLast ? "    " : "|   "), text);
        break;
    }
  }
}

}  // namespace

std::optional<CComponentNode> CComponentTree::Build(const ItemSource& source,
                                                    const std::string& root) {
  CComponentNode node;
  node.name = root;
  CTreeWalk walk(source);
  if (!walk.Expand(node)) return std::nullopt;
  return node;
}

std::vector<std::string> CComponentTree::SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

std::string CComponentTree::ToText(const CComponentNode& root) {
  std::string text = root.name + "  " + Counts(root) + "\n";
  Draw(root, "", text);
  return text;
}
